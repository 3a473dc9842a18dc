#pragma once
// The tolerant reader of the settings and handshake files.
//
// Items end at a comma or a line end; leading blanks are skipped; a quoted item may hold commas;
// a reading of several items simply continues over line ends. A number is kept as a number and
// anything else as text, so the words True and False come back as text. The reader works on
// bytes held in memory and never fails on what they contain: the worst it does is throw a
// FileError (62 past the end, 13 for an item that is not the kind asked for).
//
// An item longer than MaxItemBytes keeps only its first MaxItemBytes bytes as text and is never
// a number: no value of these files is that long, and a runaway line then costs one scan for
// its delimiter instead of decoding and converting megabytes.
#include "errors.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace kess {

constexpr qsizetype MaxItemBytes = 1 << 20;

struct Item {
    QString text;        // the item as read, quotes removed
    bool quoted = false; // it stood in double quotes
    std::optional<double> number; // set when the (unquoted) text reads as a number

    bool isNumber() const { return number.has_value(); }
    static Item fromNumber(double v);
    static Item fromText(const QString &t, bool quoted = true);
};

class ListReader {
public:
    explicit ListReader(QByteArray bytes);

    // Reads the whole file; throws FileError (53, 70, ...) when it cannot be opened.
    static ListReader open(const QString &name);

    // True when nothing but blanks and line ends is left (for item reads).
    bool atEnd() const;
    // True when not a byte is left (for line reads, where an empty line counts).
    bool atEndOfData() const { return m_pos >= m_bytes.size(); }

    // True when the last item read ended at a comma: another item, maybe empty, follows on
    // that line even where atEnd() says the data has ended ("5," at the end of a file).
    bool afterComma() const { return m_pos > 0 && m_bytes[m_pos - 1] == ','; }
    Item read();                // one item, whatever it holds
    double readNumber();        // one item that must be a number (13 otherwise)
    QString readText();         // one item as text (a number gives its own text)
    bool readTruth();           // True/False (any case) or a number, nonzero = true
    QString readLine();         // one whole line without its line end
    QByteArray readLineBytes(); // the same line, its bytes as they are in the file

private:
    void skipBlanks();
    void skipDelimiter();
    QByteArray m_bytes;
    qsizetype m_pos = 0;
    qsizetype m_contentEnd = 0; // just past the last byte that is not a blank or a line end
};

// Numbers as the reader understands them: optional sign, digits with at most one point, an
// optional exponent; blanks around them are allowed.
std::optional<double> parseNumber(const QString &text);

// Text decoding and encoding of the files: UTF-8 when the bytes are valid UTF-8, Latin-1
// otherwise; written as Latin-1 when that holds every character, UTF-8 when not.
QString decodeText(const QByteArray &bytes);
QByteArray encodeText(const QString &text);

} // namespace kess
