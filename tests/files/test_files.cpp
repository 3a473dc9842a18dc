// The file helpers: the tolerant list reader, the record and print forms, numeric values of
// text boxes, folder separators, atomic replacement, copies and the error numbers.
#include "files/errors.h"
#include "files/fileops.h"
#include "files/listreader.h"
#include "files/records.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

using namespace kess;

namespace {

// An item as "n:<value>", "q:<text>" or "t:<text>", so that a whole reading compares as a list.
QString show(const Item &it)
{
    if (it.isNumber())
        return QStringLiteral("n:") + QString::number(*it.number, 'g', 17);
    return (it.quoted ? QStringLiteral("q:") : QStringLiteral("t:")) + it.text;
}

// Reads items until the reader says the data has ended. Every read must use up some of the
// data, so more reads than bytes means the reader is stuck.
QStringList readItems(const QByteArray &bytes, bool *stuck = nullptr)
{
    ListReader r(bytes);
    QStringList items;
    while (!r.atEnd()) {
        if (items.size() > bytes.size()) {
            if (stuck)
                *stuck = true;
            break;
        }
        items << show(r.read());
    }
    return items;
}

// Error number thrown by `f`, 0 when it returns normally.
int errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const FileError &e) {
        return e.number;
    }
    return 0;
}

void put(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(name));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray contents(const QString &name)
{
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<cannot open>");
    return f.readAll();
}

[[maybe_unused]] bool isRoot() // unused where every test that asks is POSIX-only
{
#ifdef Q_OS_WIN
    return false;
#else
    return ::geteuid() == 0;
#endif
}

} // namespace

class TestFiles : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // reader
    void readerItems_data();
    void readerItems();
    void readerErrors();
    void readerTruthAndText();
    void readerLines();
    void readerCutFiles();
    void readerGarbage();
    void readerLongData_data();
    void readerLongData();

    // forms of values
    void recordAndPrintShapes();
    void valuesRoundTrip_data();
    void valuesRoundTrip();
    void settingsFileRoundTrip();
    void numericValue_data();
    void numericValue();
    void separators_data();
    void separators();

    // files on disk
    void writtenLinesOnDisk();
    void readNumberFile_data();
    void readNumberFile();
    void copyAndRemove();
    void failedWritesAndReads();
    void readOnlyFolderKeepsOldFile();
    void errorReportText();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldCurrent;
};

void TestFiles::init()
{
    m_oldCurrent = QDir::currentPath();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void TestFiles::cleanup()
{
    QDir::setCurrent(m_oldCurrent);
    m_dir.reset();
}

// ---------------------------------------------------------------------------------------------
// The list reader

void TestFiles::readerItems_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("items");

    QTest::newRow("numbers on one line") << QByteArray("7, 8,9\r\n") << QStringList{"n:7", "n:8", "n:9"};
    QTest::newRow("print form, one per line")
        << QByteArray(" 15 \r\n-3 \r\n 7.25 \r\n") << QStringList{"n:15", "n:-3", "n:7.25"};
    QTest::newRow("quoted text holds a comma")
        << QByteArray("\"Lake Ontario, NY\",3\r\n") << QStringList{"q:Lake Ontario, NY", "n:3"};
    QTest::newRow("quoted digits stay text") << QByteArray("\"12\",12\r\n") << QStringList{"q:12", "n:12"};
    QTest::newRow("leading blanks and tabs skipped")
        << QByteArray("   abc,\t def\r\n  \"q\"\r\n") << QStringList{"t:abc", "t:def", "q:q"};
    QTest::newRow("True and False are text")
        << QByteArray("True\r\nFalse\r\n") << QStringList{"t:True", "t:False"};
    QTest::newRow("LF line ends") << QByteArray("1\n2\nx y\n") << QStringList{"n:1", "n:2", "t:x y"};
    QTest::newRow("CR LF line ends") << QByteArray("1\r\n2\r\nx y\r\n") << QStringList{"n:1", "n:2", "t:x y"};
    QTest::newRow("reading continues over line ends")
        << QByteArray("1,2\r\n3,\"a\"\r\n4") << QStringList{"n:1", "n:2", "n:3", "q:a", "n:4"};
    QTest::newRow("empty line in the middle is an empty item")
        << QByteArray("1\r\n\r\n2\r\n") << QStringList{"n:1", "t:", "n:2"};
    QTest::newRow("empty item between commas") << QByteArray("1,,2") << QStringList{"n:1", "t:", "n:2"};
    QTest::newRow("trailing blank lines are the end")
        << QByteArray("5\r\n\r\n  \r\n\t\r\n\n") << QStringList{"n:5"};
    QTest::newRow("exponents") << QByteArray("1e3, -2.5E-1,+4") << QStringList{"n:1000", "n:-0.25", "n:4"};
    QTest::newRow("almost numbers are text")
        << QByteArray("1.2.3, 12abc, -, ., 1e") << QStringList{"t:1.2.3", "t:12abc", "t:-", "t:.", "t:1e"};
    QTest::newRow("cut in the middle of a line") << QByteArray("1,2,3") << QStringList{"n:1", "n:2", "n:3"};
    QTest::newRow("cut after a comma") << QByteArray("1,2,") << QStringList{"n:1", "n:2"};
    QTest::newRow("cut inside an open quote")
        << QByteArray("1,\"Lake Ont") << QStringList{"n:1", "q:Lake Ont"};
    QTest::newRow("NUL byte does not end the data")
        << QByteArray("1\0" "2,3\r\n", 7) << QStringList{QStringLiteral("t:1") + QChar(0) + u'2', "n:3"};
    QTest::newRow("Latin-1 text") << QByteArray("Z\xfcrich,1") << QStringList{QStringLiteral("t:Z\u00fcrich"), "n:1"};
    QTest::newRow("UTF-8 text") << QByteArray("Z\xc3\xbcrich,1") << QStringList{QStringLiteral("t:Z\u00fcrich"), "n:1"};
    QTest::newRow("empty data") << QByteArray() << QStringList{};
}

void TestFiles::readerItems()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, items);
    bool stuck = false;
    QCOMPARE(readItems(bytes, &stuck), items);
    QVERIFY(!stuck);
}

void TestFiles::readerErrors()
{
    // Past the end: nothing, only blanks, or everything already read.
    QCOMPARE(errorOf([] { ListReader(QByteArray()).read(); }), int(ErrPastEnd));
    QCOMPARE(errorOf([] { ListReader(QByteArray()).readLine(); }), int(ErrPastEnd));
    QCOMPARE(errorOf([] { ListReader(QByteArray(" \r\n\r\n")).readNumber(); }), int(ErrPastEnd));
    {
        ListReader r(QByteArray(" 5 \r\n\r\n"));
        QCOMPARE(r.readNumber(), 5.0);
        QVERIFY(r.atEnd());
        QCOMPARE(errorOf([&] { r.read(); }), int(ErrPastEnd));
        QCOMPARE(errorOf([&] { r.readText(); }), int(ErrPastEnd));
    }
    // A text where a number is wanted.
    QCOMPARE(errorOf([] { ListReader(QByteArray("abc\r\n")).readNumber(); }), int(ErrTypeMismatch));
    QCOMPARE(errorOf([] { ListReader(QByteArray("True\r\n")).readNumber(); }), int(ErrTypeMismatch));
    QCOMPARE(errorOf([] { ListReader(QByteArray("12abc\r\n")).readNumber(); }), int(ErrTypeMismatch));
    // ... and the reading goes on after the item that did not fit.
    {
        ListReader r(QByteArray("abc,4\r\n"));
        QCOMPARE(errorOf([&] { r.readNumber(); }), int(ErrTypeMismatch));
        QCOMPARE(r.readNumber(), 4.0);
    }
    // A file that cannot be opened.
    QCOMPARE(errorOf([] { ListReader::open(QStringLiteral("kessinit.txt")); }), int(ErrFileNotFound));
}

void TestFiles::readerTruthAndText()
{
    ListReader r(QByteArray("True\r\nfalse\r\n 0 \r\n-1 \r\n FALSE \r\n 15 \r\n\"7\"\r\nmaybe\r\n"));
    QCOMPARE(r.readTruth(), true);
    QCOMPARE(r.readTruth(), false);
    QCOMPARE(r.readTruth(), false);
    QCOMPARE(r.readTruth(), true);
    QCOMPARE(r.readTruth(), false);
    QCOMPARE(r.readText(), QStringLiteral("15")); // a number read as text: without its blanks
    QCOMPARE(r.readText(), QStringLiteral("7"));
    QCOMPARE(errorOf([&] { r.readTruth(); }), int(ErrTypeMismatch));
    QVERIFY(r.atEnd());
}

void TestFiles::readerLines()
{
    // Whole lines: commas and quotes stay, both line ends count, an empty line is a line.
    ListReader r(QByteArray("a, \"b,c\"\r\nplain\n\r\nlast"));
    QCOMPARE(r.readLine(), QStringLiteral("a, \"b,c\""));
    QCOMPARE(r.readLine(), QStringLiteral("plain"));
    QCOMPARE(r.readLine(), QString());
    QVERIFY(!r.atEndOfData());
    QCOMPARE(r.readLine(), QStringLiteral("last"));
    QVERIFY(r.atEndOfData());
    QCOMPARE(errorOf([&] { r.readLine(); }), int(ErrPastEnd));

    // Trailing empty lines are the end for items but are still lines.
    ListReader t(QByteArray("x\r\n\r\n"));
    QCOMPARE(t.readLine(), QStringLiteral("x"));
    QVERIFY(t.atEnd());
    QVERIFY(!t.atEndOfData());
    QCOMPARE(t.readLine(), QString());
    QVERIFY(t.atEndOfData());

    // Items and lines mix: a line read after an item starts where the item stopped.
    ListReader m(QByteArray("1,2\r\nrest of it\r\n"));
    QCOMPARE(m.readNumber(), 1.0);
    QCOMPARE(m.readNumber(), 2.0);
    QCOMPARE(m.readLine(), QStringLiteral("rest of it"));
}

void TestFiles::readerCutFiles()
{
    // A file cut anywhere (a companion program still writing it, a full disk) reads without
    // harm, and every item before the last one read is the item of the whole file.
    const QByteArray whole("7,\"Lake Ontario, NY\",\"NY\", 43.25 ,-76.5\r\n"
                           "True\r\n\r\n\"open quote, never\r\n 15 \r\n");
    bool stuck = false;
    const QStringList full = readItems(whole, &stuck);
    QVERIFY(!stuck);
    QVERIFY(full.size() >= 7);
    for (qsizetype n = 0; n <= whole.size(); ++n) {
        const QByteArray cut = whole.left(n);
        const QStringList items = readItems(cut, &stuck);
        QVERIFY2(!stuck, qPrintable(QStringLiteral("stuck when cut at %1").arg(n)));
        QVERIFY(items.size() <= full.size());
        for (qsizetype i = 0; i + 1 < items.size(); ++i)
            QVERIFY2(items[i] == full[i], qPrintable(QStringLiteral("cut at %1, item %2: %3 / %4")
                                                         .arg(n).arg(i).arg(items[i], full[i])));
        ListReader lines(cut);
        int count = 0;
        while (!lines.atEndOfData() && count <= cut.size()) {
            lines.readLine();
            ++count;
        }
        QVERIFY(lines.atEndOfData());
    }
}

void TestFiles::readerGarbage()
{
    // Random bytes, with the characters the reader cares about made common. Every kind of read
    // either gives something or throws FileError; nothing crashes, hangs or throws anything else.
    QRandomGenerator gen(0x4b455353);
    static const char special[] = {',', '"', '\r', '\n', ' ', '\t', '\0', '\x1a', '.', '-', 'e', '5', 'T'};
    for (int round = 0; round < 400; ++round) {
        const int size = int(gen.bounded(2000));
        QByteArray bytes(size, '\0');
        for (int i = 0; i < size; ++i)
            bytes[i] = (round % 4 == 0 || gen.bounded(2) == 0)
                           ? char(gen.bounded(256))
                           : special[gen.bounded(int(sizeof special))];

        bool stuck = false;
        readItems(bytes, &stuck);
        QVERIFY2(!stuck, qPrintable(QStringLiteral("round %1").arg(round)));

        ListReader mixed(bytes);
        int reads = 0;
        bool ended = false;
        while (!ended && reads <= size + 1) {
            ++reads;
            try {
                switch (reads % 5) {
                case 0: mixed.readNumber(); break;
                case 1: mixed.readTruth(); break;
                case 2: mixed.readText(); break;
                case 3: mixed.readLine(); break;
                default: mixed.read(); break;
                }
            } catch (const FileError &e) {
                QVERIFY(e.number == ErrPastEnd || e.number == ErrTypeMismatch);
                ended = e.number == ErrPastEnd;
            }
        }
        QVERIFY2(ended, qPrintable(QStringLiteral("round %1 never reached the end").arg(round)));
    }
}

void TestFiles::readerLongData_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("last");
    const int mb = 1 << 20;

    QTest::newRow("1 MB text line") << QByteArray(mb, 'x') + ",5\r\n" << QStringLiteral("n:5");
    QTest::newRow("1 MB of digits") << QByteArray(mb, '9') + ",5\r\n" << QStringLiteral("n:5");
    QTest::newRow("1 MB quoted, never closed")
        << QByteArray("\"") + QByteArray(mb, 'a') << QStringLiteral("q:") + QString(mb, u'a');
    QTest::newRow("1 MB of commas") << QByteArray(mb, ',') + "5" << QStringLiteral("n:5");
    QTest::newRow("1 MB of blanks") << QByteArray(mb, ' ') + "5" << QStringLiteral("n:5");
    QTest::newRow("1 MB of NUL bytes") << QByteArray(mb, '\0') + "\r\n5" << QStringLiteral("n:5");
    QByteArray lines;
    for (int i = 0; i < mb / 2; ++i)
        lines += "\r\n";
    QTest::newRow("1 MB of empty lines") << lines + "5" << QStringLiteral("n:5");
    QByteArray blankLines;
    for (int i = 0; i < mb / 4; ++i)
        blankLines += " \t\r\n";
    QTest::newRow("1 MB of blank lines") << blankLines + "5" << QStringLiteral("n:5");
}

void TestFiles::readerLongData()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, last);
    bool stuck = false;
    const QStringList items = readItems(bytes, &stuck);
    QVERIFY(!stuck);
    QVERIFY(!items.isEmpty());
    QCOMPARE(items.constLast(), last);

    ListReader lines(bytes);
    qsizetype count = 0;
    while (!lines.atEndOfData() && count <= bytes.size()) {
        lines.readLine();
        ++count;
    }
    QVERIFY(lines.atEndOfData());
}

// ---------------------------------------------------------------------------------------------
// Forms of values

void TestFiles::recordAndPrintShapes()
{
    // The shapes the companion programs and the settings files expect.
    QCOMPARE(recordForm(5), QStringLiteral("5"));
    QCOMPARE(recordForm(0), QStringLiteral("0"));
    QCOMPARE(recordForm(7.5), QStringLiteral("7.5"));
    QCOMPARE(recordForm(-3), QStringLiteral("-3"));
    QCOMPARE(printForm(15), QStringLiteral(" 15 "));
    QCOMPARE(printForm(0), QStringLiteral(" 0 "));
    QCOMPARE(printForm(-3), QStringLiteral("-3 "));
    QCOMPARE(printForm(7.25), QStringLiteral(" 7.25 "));
    QCOMPARE(printForm(-0.5).front(), u'-');
}

void TestFiles::valuesRoundTrip_data()
{
    QTest::addColumn<double>("value");
    for (double v : {0.0, 1.0, 5.0, 15.0, 59.0, -3.0, 7.25, -7.25, 0.5, -0.125, 43.1, -76.55, 1234567.5,
                     1e-7, 2.5e20, -1e15, 123456789012.0})
        QTest::newRow(qPrintable(QString::number(v, 'g', 17))) << v;
}

void TestFiles::valuesRoundTrip()
{
    // A value written in print form or as a record reads back as the same number.
    QFETCH(double, value);
    const QString pf = printForm(value);
    QCOMPARE(pf.back(), u' ');
    QCOMPARE(pf.front(), value < 0 ? u'-' : u' ');
    QCOMPARE(pf.trimmed(), recordForm(value));

    writeLines(QStringLiteral("kessinit.txt"), {pf, recordForm(value)});
    writeRecord(QStringLiteral("imcode.txt"), value);
    ListReader r = ListReader::open(QStringLiteral("kessinit.txt"));
    const double fromPrint = r.readNumber();
    const double fromRecord = r.readNumber();
    QVERIFY(r.atEnd());
    QVERIFY2(fromPrint == value, qPrintable(pf));
    QVERIFY2(fromRecord == value, qPrintable(recordForm(value)));
    const std::optional<double> fromFile = kess::readNumberFile(QStringLiteral("imcode.txt"));
    QVERIFY(fromFile.has_value());
    QVERIFY(*fromFile == value);
}

void TestFiles::settingsFileRoundTrip()
{
    // The program's own settings: one value per line, numbers in print form, texts bare (an
    // empty folder text is an empty line), truth values as words. Read back in the same order.
    const QStringList lines{printForm(1), printForm(0), printForm(25), QStringLiteral("True"),
                            QStringLiteral("c:\\Program Files\\IrfanView\\"), QString(),
                            QStringLiteral("/home/fc/run it.bat"), printForm(-3), printForm(7.25),
                            QStringLiteral("False")};
    writeLines(QStringLiteral("kessinit.txt"), lines);
    ListReader r = ListReader::open(QStringLiteral("kessinit.txt"));
    QCOMPARE(r.readNumber(), 1.0);
    QCOMPARE(r.readNumber(), 0.0);
    QCOMPARE(r.readNumber(), 25.0);
    QCOMPARE(r.readTruth(), true);
    QCOMPARE(r.readText(), QStringLiteral("c:\\Program Files\\IrfanView\\"));
    QCOMPARE(r.readText(), QString());
    QCOMPARE(r.readText(), QStringLiteral("/home/fc/run it.bat"));
    QVERIFY(!r.atEnd());
    QCOMPARE(r.readNumber(), -3.0);
    QCOMPARE(r.readNumber(), 7.25);
    QCOMPARE(r.readTruth(), false);
    QVERIFY(r.atEnd());
}

void TestFiles::numericValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("decimal") << "7.5" << 7.5;
    QTest::newRow("trailing letters") << "12abc" << 12.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("leading blanks") << "  3" << 3.0;
    QTest::newRow("no number") << "abc" << 0.0;
    QTest::newRow("negative") << "-4.5" << -4.5;
    QTest::newRow("plus sign") << "+8" << 8.0;
    QTest::newRow("point first") << ".25" << 0.25;
    QTest::newRow("point last") << "5." << 5.0;
    QTest::newRow("point then letters") << "12.abc" << 12.0;
    QTest::newRow("second point ends it") << "1.2.3" << 1.2;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("point alone") << "." << 0.0;
    QTest::newRow("blank then letters") << "  x5" << 0.0;
    QTest::newRow("trailing blank") << "30 " << 30.0;
}

void TestFiles::numericValue()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(kess::numericValue(text), value);
}

void TestFiles::separators_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("ends");
    QTest::addColumn<QString>("with");
    QTest::newRow("backslash missing") << "c:\\data" << false << "c:\\data\\";
    QTest::newRow("backslash present") << "c:\\skew-t\\" << true << "c:\\skew-t\\";
#ifdef Q_OS_WIN
    QTest::newRow("empty") << "" << false << "\\";
#else
    QTest::newRow("slash missing") << "/tmp/x" << false << "/tmp/x/";
    QTest::newRow("slash present") << "/tmp/x/" << true << "/tmp/x/";
    QTest::newRow("relative, no separator") << "out" << false << "out/";
    QTest::newRow("empty") << "" << false << "/";
#endif
}

void TestFiles::separators()
{
    QFETCH(QString, folder);
    QFETCH(bool, ends);
    QFETCH(QString, with);
    QCOMPARE(endsWithSeparator(folder), ends);
    QCOMPARE(withSeparator(folder), with);
    QVERIFY(endsWithSeparator(withSeparator(folder)));
}

// ---------------------------------------------------------------------------------------------
// Files on disk

void TestFiles::writtenLinesOnDisk()
{
    // CR LF after every line, the old contents gone entirely, no scratch file left behind.
    put(QStringLiteral("runlist.txt"), QByteArray(5000, 'o'));
    writeLines(QStringLiteral("runlist.txt"), {printForm(1), printForm(0), QStringLiteral("True")});
    QCOMPARE(contents(QStringLiteral("runlist.txt")), QByteArray(" 1 \r\n 0 \r\nTrue\r\n"));

    writeRecord(QStringLiteral("imcode.txt"), 9);
    QCOMPARE(contents(QStringLiteral("imcode.txt")), QByteArray("9\r\n"));

    writeLines(QStringLiteral("empty.txt"), {});
    QVERIFY(QFile::exists(QStringLiteral("empty.txt")));
    QCOMPARE(contents(QStringLiteral("empty.txt")), QByteArray());

    writeLines(QStringLiteral("names.txt"), {QStringLiteral("Z\u00fcrich")});
    QCOMPARE(ListReader::open(QStringLiteral("names.txt")).readText(), QStringLiteral("Z\u00fcrich"));

    QCOMPARE(readBytes(QStringLiteral("runlist.txt")), QByteArray(" 1 \r\n 0 \r\nTrue\r\n"));

    const QStringList left = QDir::current().entryList(QDir::Files | QDir::Hidden | QDir::System);
    QCOMPARE(left, (QStringList{"empty.txt", "imcode.txt", "names.txt", "runlist.txt"}));
}

void TestFiles::readNumberFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("present");
    QTest::addColumn<double>("value");
    QTest::newRow("record") << QByteArray("3\r\n") << true << 3.0;
    QTest::newRow("print form") << QByteArray(" 0 \r\n") << true << 0.0;
    QTest::newRow("no line end") << QByteArray("  7") << true << 7.0;
    QTest::newRow("LF only") << QByteArray("2\n") << true << 2.0;
    QTest::newRow("first of several") << QByteArray("2,5\r\n") << true << 2.0;
    QTest::newRow("empty") << QByteArray() << false << 0.0;
    QTest::newRow("only line ends") << QByteArray("\r\n\r\n") << false << 0.0;
    QTest::newRow("text") << QByteArray("abc\r\n") << false << 0.0;
    QTest::newRow("garbage") << QByteArray("\0\xff\x01", 3) << false << 0.0;
}

void TestFiles::readNumberFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, present);
    QFETCH(double, value);
    put(QStringLiteral("dorliqopen.txt"), bytes);
    const std::optional<double> v = kess::readNumberFile(QStringLiteral("dorliqopen.txt"));
    QCOMPARE(v.has_value(), present);
    if (present)
        QCOMPARE(*v, value);
    QVERIFY(!kess::readNumberFile(QStringLiteral("missing.txt")).has_value());
}

void TestFiles::copyAndRemove()
{
    // Byte for byte, over a longer destination; a missing source leaves the destination whole.
    QByteArray binary("MZ\0\r\n\x1a\xff,\"", 9);
    binary += QByteArray(70000, '\x7f');
    put(QStringLiteral("c1.txt"), binary);
    put(QStringLiteral("custinit.txt"), QByteArray(100000, 'x'));
    copyFile(QStringLiteral("c1.txt"), QStringLiteral("custinit.txt"));
    QCOMPARE(contents(QStringLiteral("custinit.txt")), binary);
    QCOMPARE(contents(QStringLiteral("c1.txt")), binary);

    copyFile(QStringLiteral("c1.txt"), QStringLiteral("fresh.txt"));
    QCOMPARE(contents(QStringLiteral("fresh.txt")), binary);

    put(QStringLiteral("vantmini.txt"), QByteArray("old settings\r\n"));
    QCOMPARE(errorOf([] { copyFile(QStringLiteral("w7.txt"), QStringLiteral("vantmini.txt")); }),
             int(ErrFileNotFound));
    QCOMPARE(contents(QStringLiteral("vantmini.txt")), QByteArray("old settings\r\n"));
    QCOMPARE(errorOf([] { copyFile(QStringLiteral("w7.txt"), QStringLiteral("notyet.txt")); }),
             int(ErrFileNotFound));
    QVERIFY(!QFile::exists(QStringLiteral("notyet.txt")));

    // A run's working copy, renamed into place without a flush: the same bytes and errors, and
    // nothing left beside it.
    put(QStringLiteral("latest.txt"), QByteArray(100000, 'y'));
    copyFile(QStringLiteral("c1.txt"), QStringLiteral("latest.txt"), Flush::Cached);
    QCOMPARE(contents(QStringLiteral("latest.txt")), binary);
    QCOMPARE(errorOf([] { copyFile(QStringLiteral("w7.txt"), QStringLiteral("latest.txt"), Flush::Cached); }),
             int(ErrFileNotFound));
    QCOMPARE(contents(QStringLiteral("latest.txt")), binary);
    QCOMPARE(errorOf([] { copyFile(QStringLiteral("c1.txt"), QStringLiteral("nosuch/latest.txt"), Flush::Cached); }),
             int(ErrPathNotFound));
    QVERIFY(QDir().entryList({QStringLiteral("*.tmp")}, QDir::Files | QDir::Hidden).isEmpty());

    removeFile(QStringLiteral("fresh.txt"));
    QVERIFY(!QFile::exists(QStringLiteral("fresh.txt")));
    QCOMPARE(errorOf([] { removeFile(QStringLiteral("fresh.txt")); }), 0);
}

void TestFiles::failedWritesAndReads()
{
    QCOMPARE(errorOf([] { readBytes(QStringLiteral("kessinit.txt")); }), int(ErrFileNotFound));
    QCOMPARE(errorOf([] { writeLines(QStringLiteral("nosuch/kessinit.txt"), {"1"}); }),
             int(ErrPathNotFound));
    put(QStringLiteral("plain.txt"), "x");
    QCOMPARE(errorOf([] { writeLines(QStringLiteral("plain.txt/kessinit.txt"), {"1"}); }),
             int(ErrPathNotFound));
    QCOMPARE(contents(QStringLiteral("plain.txt")), QByteArray("x"));

    // The reason names the file, for the error report.
    try {
        readBytes(QStringLiteral("vantroopen.txt"));
        QFAIL("no error for a missing file");
    } catch (const FileError &e) {
        QVERIFY2(e.reason.contains(QStringLiteral("vantroopen.txt")), qPrintable(e.reason));
    }
}

void TestFiles::readOnlyFolderKeepsOldFile()
{
#ifdef Q_OS_WIN
    QSKIP("folder permissions are not checked on Windows");
#else
    if (isRoot())
        QSKIP("running as root, which ignores folder permissions");
    QVERIFY(QDir().mkdir(QStringLiteral("locked")));
    const QString name = QStringLiteral("locked/kessinit.txt");
    put(name, QByteArray(" 1 \r\n 0 \r\n"));
    put(QStringLiteral("c1.txt"), QByteArray("new contents\r\n"));
    QFile folder(QStringLiteral("locked"));
    const QFileDevice::Permissions old = folder.permissions();
    QVERIFY(folder.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const auto restore = qScopeGuard([&] { folder.setPermissions(old); });

    const int writeError = errorOf([&] { writeLines(name, {printForm(5)}); });
    QVERIFY2(writeError == ErrPermission || writeError == ErrPathAccess, qPrintable(QString::number(writeError)));
    QCOMPARE(contents(name), QByteArray(" 1 \r\n 0 \r\n"));

    const int copyError = errorOf([&] { copyFile(QStringLiteral("c1.txt"), name); });
    QVERIFY2(copyError == ErrPermission || copyError == ErrPathAccess, qPrintable(QString::number(copyError)));
    QCOMPARE(contents(name), QByteArray(" 1 \r\n 0 \r\n"));

    const int newFileError = errorOf([] { writeRecord(QStringLiteral("locked/imcode.txt"), 3); });
    QVERIFY2(newFileError == ErrPermission || newFileError == ErrPathAccess,
             qPrintable(QString::number(newFileError)));

    QCOMPARE(QDir(QStringLiteral("locked")).entryList(QDir::Files | QDir::Hidden), QStringList{"kessinit.txt"});
#endif
}

void TestFiles::errorReportText()
{
    QCOMPARE(errorReport(53, 18, QStringLiteral("dorliqopen.txt")),
             QStringLiteral("Error occurred: number53, last file number = 18, last file name = dorliqopen.txt"));
    QCOMPARE(errorReport(62, 3, QString()),
             QStringLiteral("Error occurred: number62, last file number = 3, last file name = "));
}

QTEST_GUILESS_MAIN(TestFiles)
#include "test_files.moc"
