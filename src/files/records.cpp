#include "records.h"

#include <cmath>

namespace kess {

QString numberText(double v)
{
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15)
        return QString::number(static_cast<qint64>(v));
    return QString::number(v, 'g', 15);
}

QString printForm(double v)
{
    const QString t = numberText(v);
    return (v < 0 ? t : QStringLiteral(" ") + t) + QStringLiteral(" ");
}

QString quotedText(const QString &text)
{
    QString inner = text;
    inner.remove(u'"');
    return QStringLiteral("\"") + inner + QStringLiteral("\"");
}

QString textValue(const QString &text)
{
    bool control = false;
    for (QChar c : text)
        control = control || (c.unicode() < 0x20 && c != u'\t');
    const bool needsQuotes = control || text.contains(u',') || text.startsWith(u'"') || text.trimmed() != text;
    if (!needsQuotes)
        return text;
    if (text.contains(u'"')) {
        QString inner = text;
        inner.remove(u'"');
        return textValue(inner);
    }
    return quotedText(text);
}

double numericValue(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9')
            ++digits;
        else if (c == u'.' && !point)
            point = true;
        else
            break;
    }
    if (digits == 0)
        return 0;
    bool ok = false;
    const double v = text.mid(start, i - start).toDouble(&ok);
    return ok ? v : 0;
}

bool endsWithSeparator(const QString &folder)
{
#ifdef Q_OS_WIN
    return folder.endsWith(u'\\');
#else
    return folder.endsWith(u'\\') || folder.endsWith(u'/');
#endif
}

QString withSeparator(const QString &folder)
{
    if (endsWithSeparator(folder))
        return folder;
#ifdef Q_OS_WIN
    return folder + u'\\';
#else
    if (folder.contains(u'\\'))
        return folder + u'\\';
    return folder + u'/';
#endif
}

QString withoutControls(const QString &text)
{
    QString safe = text;
    for (QChar &c : safe)
        if (c == u'\t')
            c = u' ';
        else if (c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line ||
                 c.category() == QChar::Separator_Paragraph)
            c = QChar::ReplacementCharacter;
    return safe;
}

} // namespace kess
