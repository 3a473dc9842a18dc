#include "showntext.h"

#include <QLabel>
#include <QTextDocument>

namespace kess {

namespace {
constexpr int ToolTipLimit = 4096;
}

QString plainToolTip(const QString &text)
{
    QString tip = text.size() > ToolTipLimit ? text.left(ToolTipLimit - 1) + QChar(0x2026) : text;
    return Qt::mightBeRichText(tip) ? Qt::convertFromPlainText(tip, Qt::WhiteSpaceNormal) : tip;
}

void showPlainText(QLabel *label, const QString &text, int maxChars)
{
    label->setTextFormat(Qt::PlainText);
    if (text.size() <= maxChars) {
        label->setText(text);
        label->setToolTip(QString());
        return;
    }
    label->setText(text.left(maxChars - 1) + QChar(0x2026));
    label->setToolTip(plainToolTip(text));
}

} // namespace kess
