#include "rowbox.h"

#include "windows/textrows.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QTextEdit>
#include <QScrollBar>
#include <QTextOption>

namespace kess {

QFont fixedPitchFont(qreal pointSize)
{
    QFont font;
    if (QFontDatabase::families().contains(QStringLiteral("Courier New")))
        font = QFont(QStringLiteral("Courier New"));
    else
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(pointSize);
    return font;
}

QTextEdit *makeRowBox(QWidget *parent, const char *name, int rowWidth)
{
    auto *box = new QTextEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setReadOnly(true);
    box->setAcceptRichText(false);
    box->setFont(fixedPitchFont());
    const int columns = rowWidth + RowMargins;
    box->setWordWrapMode(QTextOption::WrapAnywhere);
    box->setLineWrapColumnOrWidth(columns);
    box->setLineWrapMode(QTextEdit::FixedColumnWidth);

    const QFontMetrics fm(box->font());
    const int textWidth = fm.horizontalAdvance(QString(columns, u'M'));
    const int chrome = 2 * box->frameWidth() + 2 * int(box->document()->documentMargin())
                       + box->verticalScrollBar()->sizeHint().width() + 4;
    box->setMinimumWidth(textWidth + chrome);
    box->setMinimumHeight(fm.lineSpacing() * 12);
    return box;
}

void setRows(QTextEdit *box, const QString &text)
{
    // Blanks at the end of a visual row would hang past its edge and shift every later row;
    // non-breaking blanks are laid out like any other character. The document gives them back as
    // plain blanks (toPlainText, copying).
    QString shown = text;
    shown.replace(u' ', QChar::Nbsp);
    box->setPlainText(shown);
}

} // namespace kess
