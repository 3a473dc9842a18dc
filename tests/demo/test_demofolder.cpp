// The demo working folder: every settings file in its layout, the working files as after Close,
// the program's own settings in print form, the next-minute schedule, the command line and the
// stand-in copies; and the settings layouts the generator writes with.
#include "core/clock.h"
#include "demofolder.h"
#include "demosites.h"
#include "files/errors.h"
#include "files/fileops.h"
#include "files/listreader.h"
#include "settings/layouts.h"
#include "workfolder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace kess;

namespace {

// The lines of a file that must end every line with CR LF. A file that does not fails the
// running test and gives no lines.
QList<QByteArray> crlfLines(const QString &name)
{
    QFile f(name);
    const QByteArray bytes = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    if (!bytes.endsWith("\r\n") || bytes.count('\n') != bytes.count("\r\n")) {
        QTest::qFail(qPrintable(name + QStringLiteral(": missing, or a line without CR LF")),
                     __FILE__, __LINE__);
        return {};
    }
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast();
    for (QByteArray &l : lines)
        l.chop(1);
    return lines;
}

QList<Item> itemsOf(const QByteArray &line)
{
    ListReader r(line);
    QList<Item> items;
    while (!r.atEnd() && items.size() <= line.size())
        items << r.read();
    return items;
}

bool isPrintForm(const QByteArray &line)
{
    static const QRegularExpression number(QStringLiteral("^[ -]\\d+ $"));
    return number.match(QString::fromLatin1(line)).hasMatch();
}

// Values of a file that holds one print-form number per line; a line in another form fails
// the running test.
QList<int> printFormValues(const QString &name)
{
    QList<int> values;
    for (const QByteArray &l : crlfLines(name)) {
        if (!isPrintForm(l)) {
            QTest::qFail(qPrintable(name + QStringLiteral(": not print form: ") + l), __FILE__,
                         __LINE__);
            return {};
        }
        values << l.trimmed().toInt();
    }
    return values;
}

const QList<demo::DemoSite> &sites() { return demo::demoSites(); }

} // namespace

class DemoFolderTest : public QObject {
    Q_OBJECT

private slots:
    void settingsFilesFollowTheirLayouts()
    {
        test::WorkFolder work;
        demo::makeDemoFolder({work.path(), false, {}});
        QSet<QString> codes;
        int takesGeneric = 0;
        QCOMPARE(sites().size(), 7);
        for (const demo::DemoSite &site : sites()) {
            for (SettingsFile kind : {SettingsFile::Custinit, SettingsFile::Vantmini,
                                      SettingsFile::Pelini}) {
                const SettingsLayout &layout = settingsLayout(kind);
                const QString name = layout.savedName(site.number);
                const QList<QByteArray> lines = crlfLines(name);
                QCOMPARE(lines.size(), layout.lineCount());
                for (int l = 1; l <= layout.lineCount(); ++l) {
                    const QByteArray &line = lines[l - 1];
                    QVERIFY2(itemsOf(line).size() == layout.itemsOn(l),
                             qPrintable(QStringLiteral("%1 line %2: %3").arg(name).arg(l)
                                            .arg(QString::fromLatin1(line))));
                    if (layout.formOf(l) == LineForm::Bare)
                        QVERIFY2(!line.contains('"'), qPrintable(name + QString::number(l)));
                }
                // What is read back writes the very same lines again.
                ListReader again = ListReader::open(name);
                QStringList written;
                for (const QByteArray &l : lines)
                    written << QString::fromLatin1(l);
                QCOMPARE(formatSettings(layout, readSettings(again, layout)), written);
            }

            // Start-up reads 7 items, then 10: the name is item 1 and the code item 17.
            ListReader c = ListReader::open(QStringLiteral("c%1.txt").arg(site.number));
            QList<Item> first;
            for (int i = 0; i < 17; ++i)
                first << c.read();
            QVERIFY(first[0].quoted && first[16].quoted);
            QCOMPARE(first[0].text, site.savedName());
            QCOMPARE(first[16].text, site.code);
            QVERIFY(first[7].isNumber() && *first[7].number == std::floor(*first[7].number));
            QVERIFY(first[9].isNumber() && *first[9].number == std::floor(*first[9].number));
            const QList<QByteArray> cLines = crlfLines(QStringLiteral("c%1.txt").arg(site.number));
            QCOMPARE(cLines.size(), 116);
            QVERIFY(cLines[8].startsWith('"') && cLines[8].endsWith('"'));
            takesGeneric += first[0].text.endsWith(u'+');
            codes << site.code;

            // PELTHOR's line 12 names the site's own PELTHOR folder, so each site's lastpel copy
            // holds that site's verification.
            const QList<QByteArray> rLines = crlfLines(QStringLiteral("r%1.txt").arg(site.number));
            QCOMPARE(rLines.size(), 24);
            const QString pelthor = QStringLiteral("pelthor/site%1/").arg(site.number);
            QCOMPARE(QString::fromLatin1(rLines[11]), u'"' + QDir::toNativeSeparators(work.folderText() + pelthor) + u'"');
            QVERIFY(QFileInfo(pelthor).isDir());

            for (const char *family : {"snowrec", "cor", "fdata", "ecdata"}) {
                const QString small = QLatin1String(family) + QString::number(site.number)
                    + QStringLiteral(".txt");
                const QList<QByteArray> smallLines = crlfLines(small);
                QVERIFY(smallLines.size() >= 3);
                QVERIFY2(smallLines[0].contains(site.code.toLatin1()), qPrintable(small));
            }
        }
        QCOMPARE(codes.size(), sites().size());
        QVERIFY(codes.contains(QStringLiteral("GEN")) && codes.contains(QStringLiteral("KBOS")));
        QVERIFY(takesGeneric >= 2 && takesGeneric <= 3);
    }

    void workingFilesAreTheGenericSiteAfterClose()
    {
        test::WorkFolder work;
        demo::makeDemoFolder({work.path(), false, {}});
        const QStringList pairs = {"custinit.txt", "c0.txt", "vantmini.txt", "w0.txt",
                                   "pelini.txt",   "r0.txt", "snowrec.txt",  "snowrec0.txt",
                                   "cor.txt",      "cor0.txt", "fdata.txt",  "fdata0.txt",
                                   "ecdata.txt",   "ecdata0.txt"};
        for (int i = 0; i < pairs.size(); i += 2)
            QVERIFY2(readBytes(pairs[i]) == readBytes(pairs[i + 1]), qPrintable(pairs[i]));
        for (const char *zero : {"imcode.txt", "vantroopen.txt", "dorliqopen.txt",
                                 "pelthoropen.txt"})
            QCOMPARE(readNumberFile(QLatin1String(zero)), std::optional<double>(0));

        const QList<int> run = printFormValues(QStringLiteral("runlist.txt"));
        const QList<int> learn = printFormValues(QStringLiteral("mxrunlist.txt"));
        QCOMPARE(run.size(), 6);
        QCOMPARE(learn.size(), 6);
        QVERIFY(run.contains(0) && run.contains(1));
        QVERIFY(learn.contains(0) && learn.contains(1));
        for (int n = 1; n <= 6; ++n) {
            QCOMPARE(run[n - 1], sites()[n].inRun);
            QCOMPARE(learn[n - 1], sites()[n].learning);
        }

        QMap<QString, QString> standin;
        for (const QByteArray &l : crlfLines(QStringLiteral("standins.txt"))) {
            const QString line = QString::fromLatin1(l).section(u'#', 0, 0);
            if (line.contains(u'='))
                standin[line.section(u'=', 0, 0).trimmed()] = line.section(u'=', 1).trimmed();
        }
        QCOMPARE(standin.value(QStringLiteral("delay")), QStringLiteral("1"));
        QCOMPARE(standin.value(QStringLiteral("settings.delay")), QStringLiteral("5"));
    }

    void kessinitHoldsThirtyNineValues()
    {
        test::WorkFolder work;
        demo::makeDemoFolder({work.path(), false, {}});
        const QList<QByteArray> lines = crlfLines(QStringLiteral("kessinit.txt"));
        QCOMPARE(lines.size(), 39);
        for (int v : {1, 2, 24, 25, 27, 30, 32, 34, 37, 38, 39})
            QVERIFY2(isPrintForm(lines[v - 1]), qPrintable(QString::number(v)));

        ListReader r = ListReader::open(QStringLiteral("kessinit.txt"));
        int ticked = 0;
        for (int h = 0; h < 24; ++h) {
            const double flag = r.readNumber();
            QVERIFY(flag == 0 || flag == 1);
            ticked += int(flag);
        }
        QVERIFY(ticked >= 1);
        const double minutes = r.readNumber();
        QVERIFY(minutes >= 0 && minutes < 60);
        QCOMPARE(r.read().text, QStringLiteral("False"));
        QCOMPARE(r.readNumber(), 1.0);                   // BMP to PNG
        QCOMPARE(r.readText(), work.folderText());       // IrfanView folder
        QCOMPARE(r.read().text, QString());              // PNG target
        QCOMPARE(r.readNumber(), 0.0);                   // batch file off
        QCOMPARE(r.read().text, QString());              // batch file
        r.readNumber();
        r.readNumber();
        QCOMPARE(r.readNumber(), 5.0);                   // wait limit
        for (int v = 35; v <= 39; ++v)
            QCOMPARE(r.readNumber(), 0.0);
        QVERIFY(r.atEnd());

        // A line break in the folder's name would move every value after it: refused, nothing made.
        const QString broken = work.path() + QStringLiteral("/line\nbreak");
        QVERIFY_THROWS_EXCEPTION(FileError, demo::makeDemoFolder({broken, false, {}}));
        QVERIFY(!QFileInfo::exists(broken));
    }

    void scheduleNextMinute_data()
    {
        QTest::addColumn<double>("now");
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::newRow("mid-hour") << 10 * 3600 + 20 * 60 + 30.0 << 10 << 21;
        QTest::newRow("hour turns") << 10 * 3600 + 59 * 60 + 59.9 << 11 << 0;
        QTest::newRow("midnight") << 23 * 3600 + 59 * 60 + 10.0 << 0 << 0;
        QTest::newRow("last minute") << 23 * 3600 + 58 * 60 + 0.0 << 23 << 59;
    }

    void scheduleNextMinute()
    {
        QFETCH(double, now);
        QFETCH(int, hour);
        QFETCH(int, minute);
        test::WorkFolder work;
        Clock::Override clock({[now] { return now; }, {}, {}});
        const demo::DemoReport report = demo::makeDemoFolder({work.path(), true, {}});
        QVERIFY(report.summary().contains(QStringLiteral("%1:%2").arg(hour, 2, 10, QChar(u'0'))
                                              .arg(minute, 2, 10, QChar(u'0'))));

        ListReader r = ListReader::open(QStringLiteral("kessinit.txt"));
        QList<int> ticked;
        for (int h = 0; h < 24; ++h)
            if (r.readNumber() == 1)
                ticked << h;
        QCOMPARE(ticked, QList<int>{hour});
        QCOMPARE(r.readNumber(), double(minute));
        QCOMPARE(r.read().text, QStringLiteral("True"));
        // The sites' VANTRO settings carry the same minutes after the hour.
        ListReader c = ListReader::open(QStringLiteral("custinit.txt"));
        const SettingsLines items = readSettings(c, settingsLayout(SettingsFile::Custinit));
        QCOMPARE(*items[places::CustinitMinutes.line - 1][0].number, double(minute));
    }

    void commandLineReplacesFilesAndCopiesStandins()
    {
#ifdef Q_OS_WIN
        QSKIP("stand-in scripts are shell scripts");
#endif
        test::WorkFolder work;
        QTemporaryDir built;
        for (const char *name : {"dorliq.exe", "vantro.exe"})
            work.writeScript(built.filePath(QLatin1String(name)),
                             {QStringLiteral("#!/bin/sh"), QStringLiteral("echo ") + name});
        const QString folder = QDir(work.path()).filePath(QStringLiteral("new/demo"));

        QProcess p;
        p.start(QStringLiteral(DEMOFOLDER_EXE),
                {folder, QStringLiteral("--standins"), built.path()});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
        QCOMPARE(out.count(u'\n'), 1);
        QVERIFY(out.contains(QDir(folder).absolutePath()));
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        for (const char *missing : {"pelthor.exe", "mirrix.exe", "i_view32.exe"})
            QVERIFY2(err.contains(QLatin1String(missing)), qPrintable(err));
        for (const char *name : {"dorliq.exe", "vantro.exe"}) {
            const QString copy = QDir(folder).filePath(QLatin1String(name));
            QCOMPARE(readBytes(copy), readBytes(built.filePath(QLatin1String(name))));
            QProcess run;
            run.start(copy, {});
            QVERIFY(run.waitForFinished(10000));
            QCOMPARE(run.readAllStandardOutput().trimmed(), QByteArray(name));
        }

        // A second run over the folder puts every file back.
        const QString custinit = QDir(folder).filePath(QStringLiteral("custinit.txt"));
        const QByteArray before = readBytes(custinit);
        writeLines(custinit, {QStringLiteral("\"changed\"")});
        p.start(QStringLiteral(DEMOFOLDER_EXE), {folder});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(readBytes(custinit), before);

        // A folder of other files is left alone unless the demo is told to write into it.
        const QString other = QDir(work.path()).filePath(QStringLiteral("sources"));
        QVERIFY(QDir().mkpath(other));
        writeLines(QDir(other).filePath(QStringLiteral("notes.txt")), {QStringLiteral("mine")});
        p.start(QStringLiteral(DEMOFOLDER_EXE), {other});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(p.readAllStandardError().contains("not a demo folder"));
        QCOMPARE(QDir(other).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"notes.txt"});
        p.start(QStringLiteral(DEMOFOLDER_EXE), {other, QStringLiteral("--force")});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(QFile::exists(QDir(other).filePath(QStringLiteral("custinit.txt"))));

        p.start(QStringLiteral(DEMOFOLDER_EXE), {});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 2);
    }

    void layoutsReadAndWriteItemByItem()
    {
        test::WorkFolder work;
        const SettingsLayout &c = settingsLayout(SettingsFile::Custinit);
        const SettingsLayout &w = settingsLayout(SettingsFile::Vantmini);
        const SettingsLayout &r = settingsLayout(SettingsFile::Pelini);
        // Counted by hand from the documented line tables: lines, fixed part, items, the sum of
        // line number times items (so an item moved to another line shows), and the sum of the
        // numbers of the bare lines.
        const auto size = [](const SettingsLayout &l) {
            int weighted = 0;
            int bare = 0;
            for (int line = 1; line <= l.lineCount(); ++line) {
                weighted += line * l.itemsOn(line);
                bare += l.formOf(line) == LineForm::Bare ? line : 0;
            }
            return QList<int>{l.lineCount(), l.fixedLines(), l.itemCount(), weighted, bare};
        };
        QCOMPARE(size(c), (QList<int>{116, 73, 222, 12852, 0}));
        QCOMPARE(size(w), (QList<int>{118, 90, 118, 7021, 2907}));
        QCOMPARE(size(r), (QList<int>{24, 11, 68, 880, 0}));
        QCOMPARE(c.itemNumber(places::CustinitSiteCode), 17);
        QCOMPARE(c.line(98).group, 93);
        QCOMPARE(c.line(99).group, 99);
        QCOMPARE(c.line(73).group, 0);
        demo::makeDemoFolder({work.path(), false, {}});

        // Only the fixed part: read without error, and the tail is simply not there.
        const QList<QByteArray> lines = crlfLines(QStringLiteral("c1.txt"));
        ListReader fixed(lines.mid(0, c.fixedLines()).join("\r\n") + "\r\n");
        SettingsLines items = readSettings(fixed, c);
        QCOMPARE(items.size(), c.fixedLines());
        ListReader inside(lines.mid(0, 40).join("\r\n"));
        try {
            readSettings(inside, c);
            QFAIL("a file that ends inside the fixed part was read");
        } catch (const FileError &e) {
            QCOMPARE(e.number, int(ErrPastEnd));
        }

        // A name with a comma comes back whole; the whole numbers of line 2 are written whole.
        items[0][0] = Item::fromText(QStringLiteral("Boston, MA+"));
        items[1][0] = Item::fromNumber(6.5);
        items[1][2] = Item::fromNumber(7.5);
        const QStringList written = formatSettings(c, items);
        QVERIFY(written[0].startsWith(QStringLiteral("\"Boston, MA+\",")));
        QVERIFY(written[1].startsWith(QStringLiteral("6,")));
        QCOMPARE(written[1].section(u',', 2, 2), QStringLiteral("8"));
        ListReader back(written.join(QStringLiteral("\r\n")).toLatin1());
        QCOMPARE(readSettings(back, c)[0][0].text, QStringLiteral("Boston, MA+"));

        // Quoted text on a bare line loses its quotes; on a record line it keeps them.
        QVERIFY(w.formOf(2) == LineForm::Bare && w.formOf(1) == LineForm::Record);
        QCOMPARE(formatSettingsLine(w, 2, {Item::fromText(QStringLiteral("Boston"))}),
                 QStringLiteral("Boston"));
        QCOMPARE(formatSettingsLine(w, 1, {Item::fromText(QStringLiteral("KBOS"))}),
                 QStringLiteral("\"KBOS\""));
        try {
            formatSettingsLine(c, 2, items[0]);
            QFAIL("seven items were written on a line of thirteen");
        } catch (const FileError &) {
        }
    }
};

QTEST_GUILESS_MAIN(DemoFolderTest)
#include "test_demofolder.moc"
