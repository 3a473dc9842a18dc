#include "rowbox.h"

#include "windows/textrows.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QScrollBar>

namespace kess {

QFont fixedPitchFont(qreal pointSize)
{
    // The platform theme's fixed font is not always fixed (a theme with none set hands out its
    // proportional font): each candidate counts only when the font it resolves to is fixed-pitch.
    QList<QFont> candidates;
    if (QFontDatabase::families().contains(QStringLiteral("Courier New")))
        candidates << QFont(QStringLiteral("Courier New"));
    candidates << QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (const char *family : {"DejaVu Sans Mono", "Liberation Mono", "Noto Sans Mono", "Monospace", "Courier"})
        candidates << QFont(QLatin1String(family));
    for (QFont font : candidates) {
        font.setStyleHint(QFont::TypeWriter);
        font.setPointSizeF(pointSize);
        if (QFontInfo(font).fixedPitch()) {
            font.setFixedPitch(true);
            return font;
        }
    }
    QFont font = candidates.first();
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(pointSize);
    return font;
}

QPlainTextEdit *makeRowBox(QWidget *parent, const char *name, int rowWidth)
{
    auto *box = new QPlainTextEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setReadOnly(true);
    box->setFont(fixedPitchFont());
    const int columns = rowWidth + RowMargins;
    // setRows() breaks the text into rows itself; the box only lays out lines.
    box->setLineWrapMode(QPlainTextEdit::NoWrap); // lines are laid out as they come into view
    box->setProperty("rowColumns", columns);

    const QFontMetrics fm(box->font());
    const int textWidth = fm.horizontalAdvance(QString(columns, u'M'));
    const int chrome = 2 * box->frameWidth() + 2 * int(box->document()->documentMargin())
                       + box->verticalScrollBar()->sizeHint().width() + 4;
    box->setMinimumWidth(textWidth + chrome);
    box->setMinimumHeight(fm.lineSpacing() * 12);
    return box;
}

void setRows(QPlainTextEdit *box, const QString &text)
{
    // The text runs on from row to row (a piece longer than a row shifts every row after it), so
    // it is cut into rows of exactly the box's width, one line each: the box then lays out short
    // lines instead of one paragraph as long as the whole file.
    const qsizetype columns = box->property("rowColumns").toInt();
    QString rows;
    rows.reserve(text.size() + text.size() / columns + 1);
    for (qsizetype at = 0; at < text.size(); at += columns) {
        if (at > 0)
            rows += u'\n';
        rows += QStringView(text).mid(at, columns);
    }
    box->setPlainText(rows);
}

} // namespace kess
