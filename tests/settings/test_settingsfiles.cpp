// The settings file layouts read and written back, the generic data merge's choice of items and
// the rewrite through scratch files, without a window.
#include "settings/layouts.h"
#include "settings/merge.h"
#include "settings/rewrite.h"
#include "sitesfixture.h"

#include <QtTest>

using namespace kess;
using kess::test::WorkFolder;

namespace {

SettingsLines parse(SettingsFile file, const QByteArray &bytes)
{
    ListReader r(bytes);
    return readSettings(r, settingsLayout(file));
}

QByteArray written(SettingsFile file, const SettingsLines &lines)
{
    return formatSettings(settingsLayout(file), lines).join(QStringLiteral("\r\n")).toLatin1() + "\r\n";
}

} // namespace

class TestSettingsFiles : public QObject {
    Q_OBJECT
private slots:
    void shortFilesAreReadAndMergedToTheFullLayout()
    {
        WorkFolder f;
        // A custinit copy of the fixed part only; a pelini of lines 1 to 11.
        const SettingsLines c73 = test::linesFor(SettingsFile::Custinit, 3, 73);
        const SettingsLines c73read = parse(SettingsFile::Custinit, written(SettingsFile::Custinit, c73));
        QCOMPARE(c73read.size(), 73);
        const SettingsLines full = test::linesFor(SettingsFile::Custinit, 1);
        const SettingsLines merged = mergeGeneric(settingsLayout(SettingsFile::Custinit), c73read, full);
        const QByteArray bytes = written(SettingsFile::Custinit, merged);
        QCOMPARE(bytes.count("\r\n"), 116);
        const SettingsLines back = parse(SettingsFile::Custinit, bytes);
        QCOMPARE(back.size(), 116);
        QCOMPARE(back[0][0].text, QStringLiteral("Site3"));   // the site's own name
        QCOMPARE(back[2][0].number, std::optional<double>(100301)); // line 3 from the selected site
        QCOMPARE(back[69][0].number, std::optional<double>(307001)); // line 70 the site's own
        // Past the site's end even its own items take the selected site's values.
        QCOMPARE(back[113][0].number, std::optional<double>(111401));

        const QByteArray p11 = written(SettingsFile::Pelini, test::linesFor(SettingsFile::Pelini, 2, 11));
        const SettingsLines p11read = parse(SettingsFile::Pelini, p11);
        QCOMPARE(p11read.size(), 11);
        QCOMPARE(written(SettingsFile::Pelini, p11read), p11);
        const SettingsLines p24 = mergeGeneric(settingsLayout(SettingsFile::Pelini), p11read,
                                               test::linesFor(SettingsFile::Pelini, 1));
        QCOMPARE(written(SettingsFile::Pelini, p24).count("\r\n"), 24);

        // Ending inside the fixed part is an error that names the line.
        try {
            parse(SettingsFile::Custinit, written(SettingsFile::Custinit, test::linesFor(SettingsFile::Custinit, 3, 50)));
            QFAIL("a 50-line file was accepted");
        } catch (const FileError &e) {
            QCOMPARE(e.number, int(ErrPastEnd));
            QVERIFY2(e.reason.contains("line 51"), qPrintable(e.reason));
        }
    }

    void itemsKeepTheFormTheyWereReadIn()
    {
        // vantmini: line 1 record, 2 to 4 bare. A bare text with a comma must come back as one item.
        QList<QByteArray> lines;
        lines << "\"first, with comma\"" << "\"plain words\"" << "\"a, b\"" << ".5";
        for (int l = 5; l <= 90; ++l)
            lines << (l == 10 ? "1.50" : QByteArray::number(l));
        const QByteArray source = lines.join("\r\n") + "\r\n";
        const SettingsLines read = parse(SettingsFile::Vantmini, source);
        QCOMPARE(read.size(), 90);
        const QByteArray out = written(SettingsFile::Vantmini, read);
        const QList<QByteArray> outLines = out.split('\n');
        QCOMPARE(outLines[0], QByteArray("\"first, with comma\"\r")); // record: quoted stays quoted
        QCOMPARE(outLines[1], QByteArray("plain words\r"));          // bare: no quotes
        QCOMPARE(outLines[2], QByteArray("\"a, b\"\r"));             // bare, but a comma needs them
        QCOMPARE(outLines[3], QByteArray(".5\r"));                   // a number as it was written
        QCOMPARE(outLines[9], QByteArray("1.50\r"));
        const SettingsLines again = parse(SettingsFile::Vantmini, out);
        QCOMPARE(again.size(), 90);
        QCOMPARE(again[2][0].text, QStringLiteral("a, b"));
        QCOMPARE(again[89][0].number, std::optional<double>(90)); // nothing shifted
        QCOMPARE(written(SettingsFile::Vantmini, again), out);

        // An empty last line of pelini.txt (an empty text) is a line of the file.
        QByteArray pelini = written(SettingsFile::Pelini, test::linesFor(SettingsFile::Pelini, 4, 23)) + "\r\n";
        const SettingsLines p = parse(SettingsFile::Pelini, pelini);
        QCOMPARE(p.size(), 24);
        QCOMPARE(written(SettingsFile::Pelini, p), pelini);
    }

    void mergeKeepsTheSiteItemsOfEachFile()
    {
        // Spot checks at the edges of the kept ranges, both sides.
        struct Case {
            SettingsFile file;
            int line, item;
            bool site;
        };
        const Case cases[] = {
            {SettingsFile::Custinit, 1, 1, true},    {SettingsFile::Custinit, 1, 2, false},
            {SettingsFile::Custinit, 2, 8, true},    {SettingsFile::Custinit, 2, 9, false},
            {SettingsFile::Custinit, 2, 10, true},   {SettingsFile::Custinit, 2, 13, false},
            {SettingsFile::Custinit, 67, 3, false},  {SettingsFile::Custinit, 68, 1, true},
            {SettingsFile::Custinit, 73, 7, true},   {SettingsFile::Custinit, 74, 1, false},
            {SettingsFile::Custinit, 80, 1, false},  {SettingsFile::Custinit, 86, 1, true},
            {SettingsFile::Custinit, 91, 1, false},  {SettingsFile::Custinit, 92, 1, true},
            {SettingsFile::Custinit, 104, 6, true},  {SettingsFile::Custinit, 105, 1, false},
            {SettingsFile::Custinit, 112, 1, true},  {SettingsFile::Custinit, 112, 2, false},
            {SettingsFile::Custinit, 113, 2, false}, {SettingsFile::Custinit, 116, 1, true},
            {SettingsFile::Vantmini, 2, 1, true},    {SettingsFile::Vantmini, 3, 1, false},
            {SettingsFile::Vantmini, 4, 1, true},    {SettingsFile::Vantmini, 36, 1, true},
            {SettingsFile::Vantmini, 45, 1, false},  {SettingsFile::Vantmini, 97, 1, false},
            {SettingsFile::Vantmini, 98, 1, true},   {SettingsFile::Vantmini, 113, 1, true},
            {SettingsFile::Vantmini, 114, 1, false}, {SettingsFile::Pelini, 8, 1, false},
            {SettingsFile::Pelini, 9, 1, true},      {SettingsFile::Pelini, 12, 1, true},
            {SettingsFile::Pelini, 13, 1, false},    {SettingsFile::Pelini, 15, 2, true},
            {SettingsFile::Pelini, 16, 1, false},    {SettingsFile::Pelini, 24, 1, false},
        };
        for (const Case &c : cases)
            QVERIFY2(isSiteItem(c.file, {c.line, c.item}) == c.site,
                     qPrintable(QStringLiteral("file %1 line %2 item %3").arg(int(c.file)).arg(c.line).arg(c.item)));
    }

    void rewritesLeaveNoScratchAndChangeNothingWhenAScratchFails()
    {
        WorkFolder f;
        test::writeSettings(SettingsFile::Pelini, 1);
        test::writeSettings(SettingsFile::Pelini, 2);
        const QByteArray before1 = WorkFolder::bytes("r1.txt");
        const QByteArray before2 = WorkFolder::bytes("r2.txt");
        const SettingsLayout &layout = settingsLayout(SettingsFile::Pelini);
        // The second scratch file cannot be written: a folder is in its way.
        QVERIFY(QDir().mkdir("r2temp.txt"));
        QVERIFY_THROWS_EXCEPTION(FileError, applyRewrites({settingsRewrite(layout, 1, test::linesFor(SettingsFile::Pelini, 7)),
                                                           settingsRewrite(layout, 2, test::linesFor(SettingsFile::Pelini, 7))}));
        QCOMPARE(WorkFolder::bytes("r1.txt"), before1);
        QCOMPARE(WorkFolder::bytes("r2.txt"), before2);
        QVERIFY(!QFile::exists("r1temp.txt"));
        QVERIFY(QDir().rmdir("r2temp.txt"));

        applyRewrites({settingsRewrite(layout, 1, test::linesFor(SettingsFile::Pelini, 7)),
                       settingsRewrite(layout, 2, test::linesFor(SettingsFile::Pelini, 8))},
                      {{"r2.txt", "pelini.txt"}});
        QCOMPARE(WorkFolder::bytes("r1.txt"), written(SettingsFile::Pelini, test::linesFor(SettingsFile::Pelini, 7)));
        QCOMPARE(WorkFolder::bytes("pelini.txt"), WorkFolder::bytes("r2.txt"));
        QCOMPARE(QDir().entryList({"*temp.txt"}), QStringList{});
    }
};

QTEST_GUILESS_MAIN(TestSettingsFiles)
#include "test_settingsfiles.moc"
