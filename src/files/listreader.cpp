#include "listreader.h"

#include "fileops.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>

namespace kess {

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isLineEnd(char c) { return c == '\r' || c == '\n'; }
// What may follow the last item of a file: blanks, line ends and the old end-of-file mark.
bool isTrailing(char c) { return isBlank(c) || isLineEnd(c) || c == '\x1a'; }
} // namespace

Item Item::fromNumber(double v)
{
    Item it;
    it.number = v;
    it.text = QString::number(v, 'g', 15);
    return it;
}

Item Item::fromText(const QString &t, bool quoted)
{
    Item it;
    it.text = t;
    it.quoted = quoted;
    if (!quoted)
        it.number = parseNumber(t);
    return it;
}

std::optional<double> parseNumber(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    qsizetype i = 0;
    if (t[i] == u'+' || t[i] == u'-')
        ++i;
    qsizetype digits = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
        if (t[i].isDigit() && t[i].unicode() < 128)
            ++digits;
        else if (t[i] == u'.' && !point)
            point = true;
        else
            break;
    }
    if (digits == 0)
        return std::nullopt;
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        if (i < t.size() && (t[i] == u'+' || t[i] == u'-'))
            ++i;
        qsizetype expDigits = 0;
        for (; i < t.size() && t[i].isDigit() && t[i].unicode() < 128; ++i)
            ++expDigits;
        if (expDigits == 0)
            return std::nullopt;
    }
    if (i != t.size())
        return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return v;
}

QString decodeText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8.decode(bytes);
    if (!utf8.hasError())
        return s;
    return QString::fromLatin1(bytes);
}

namespace {
// True when the bytes hold a valid UTF-8 sequence of two or more bytes anywhere: the reader
// would take an item holding it for UTF-8.
bool holdsUtf8Sequence(const QByteArray &bytes)
{
    const auto continuation = [&](qsizetype i) {
        return i < bytes.size() && (static_cast<unsigned char>(bytes[i]) & 0xC0) == 0x80;
    };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        const int length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
        bool whole = length > 0;
        for (int k = 1; whole && k < length; ++k)
            whole = continuation(i + k);
        if (whole)
            return true;
    }
    return false;
}
} // namespace

QByteArray encodeText(const QString &text)
{
    for (QChar c : text)
        if (c.unicode() > 0xFF)
            return text.toUtf8();
    // Latin-1 only when no item of it could read back as UTF-8 ("\xC3\xA9" would come back
    // as one character instead of two).
    const QByteArray latin = text.toLatin1();
    return holdsUtf8Sequence(latin) ? text.toUtf8() : latin;
}

ListReader::ListReader(QByteArray bytes) : m_bytes(std::move(bytes))
{
    // Found once, so that atEnd() costs nothing however many blank lines a file holds.
    m_contentEnd = m_bytes.size();
    while (m_contentEnd > 0 && isTrailing(m_bytes[m_contentEnd - 1]))
        --m_contentEnd;
}

ListReader ListReader::open(const QString &name)
{
    return ListReader(readBytes(name));
}

bool ListReader::atEnd() const
{
    return m_pos >= m_contentEnd;
}

void ListReader::skipBlanks()
{
    while (m_pos < m_bytes.size() && isBlank(m_bytes[m_pos]))
        ++m_pos;
}

void ListReader::skipDelimiter()
{
    if (m_pos >= m_bytes.size())
        return;
    if (m_bytes[m_pos] == ',') {
        ++m_pos;
    } else if (m_bytes[m_pos] == '\r') {
        ++m_pos;
        if (m_pos < m_bytes.size() && m_bytes[m_pos] == '\n')
            ++m_pos;
    } else if (m_bytes[m_pos] == '\n') {
        ++m_pos;
    }
}

Item ListReader::read()
{
    if (atEnd())
        throw FileError(ErrPastEnd, QStringLiteral("Input past end of file"));
    skipBlanks();
    Item item;
    if (m_pos < m_bytes.size() && m_bytes[m_pos] == '"') {
        const qsizetype start = ++m_pos;
        while (m_pos < m_bytes.size() && m_bytes[m_pos] != '"')
            ++m_pos;
        item.text = decodeText(m_bytes.mid(start, std::min(m_pos - start, MaxItemBytes)));
        item.quoted = true;
        if (m_pos < m_bytes.size())
            ++m_pos; // closing quote
        // anything between the closing quote and the delimiter is dropped
        while (m_pos < m_bytes.size() && m_bytes[m_pos] != ',' && !isLineEnd(m_bytes[m_pos]))
            ++m_pos;
    } else {
        const qsizetype start = m_pos;
        while (m_pos < m_bytes.size() && m_bytes[m_pos] != ',' && !isLineEnd(m_bytes[m_pos]))
            ++m_pos;
        qsizetype end = m_pos;
        while (end > start && isBlank(m_bytes[end - 1]))
            --end;
        item.text = decodeText(m_bytes.mid(start, std::min(end - start, MaxItemBytes)));
        if (end - start <= MaxItemBytes)
            item.number = parseNumber(item.text);
    }
    skipDelimiter();
    return item;
}

double ListReader::readNumber()
{
    const Item it = read();
    if (!it.quoted && it.text.isEmpty())
        return 0; // an empty field reads as zero
    if (!it.number)
        throw FileError(ErrTypeMismatch, QStringLiteral("Type mismatch: ") + it.text.left(40));
    return *it.number;
}

QString ListReader::readText()
{
    return read().text;
}

bool ListReader::readTruth()
{
    const Item it = read();
    if (it.number)
        return *it.number != 0;
    if (it.text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (it.text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    throw FileError(ErrTypeMismatch, QStringLiteral("Type mismatch: ") + it.text.left(40));
}

QByteArray ListReader::readLineBytes()
{
    if (m_pos >= m_bytes.size())
        throw FileError(ErrPastEnd, QStringLiteral("Input past end of file"));
    const qsizetype start = m_pos;
    while (m_pos < m_bytes.size() && !isLineEnd(m_bytes[m_pos]))
        ++m_pos;
    const QByteArray line = m_bytes.mid(start, m_pos - start);
    if (m_pos < m_bytes.size()) {
        if (m_bytes[m_pos] == '\r') {
            ++m_pos;
            if (m_pos < m_bytes.size() && m_bytes[m_pos] == '\n')
                ++m_pos;
        } else {
            ++m_pos;
        }
    }
    return line;
}

QString ListReader::readLine()
{
    return decodeText(readLineBytes());
}

} // namespace kess
