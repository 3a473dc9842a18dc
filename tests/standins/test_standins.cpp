// The stand-in companion programs seen from KESSAMIR's side: each is started in a scratch working
// folder, its open flag is watched while it runs, and what it leaves behind is checked: replies
// in "imcode.txt", the outputs of a forecast, "lastpel.txt", "cor.txt", and PNG files made by the
// image converter through a real /bin/sh batch line.
#include "files/fileops.h"
#include "files/listreader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace kess;

namespace {

QString standinDir()
{
    const QString fromEnv = qEnvironmentVariable("KESS_STANDIN_DIR");
    return fromEnv.isEmpty() ? QStringLiteral(KESS_STANDIN_DIR_DEFAULT) : fromEnv;
}

QString exe(const QString &name) { return QDir(standinDir()).filePath(name + QStringLiteral(".exe")); }

void put(const QString &name, const QByteArray &text)
{
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

QByteArray get(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int number(const QString &name) { return static_cast<int>(readNumberFile(name).value_or(-1)); }

// The items of the first two lines of "custinit.txt" that matter: the name and the code.
void putSite(const QByteArray &name, const QByteArray &code)
{
    put(QStringLiteral("custinit.txt"), "\"" + name + "\",1,2,3,4,5,6\r\n0,1,2,3,4,5,6,7,8,\"" + code
                                          + "\",10,11,12\r\n7\r\n");
}

void settings(const QByteArray &extra)
{
    put(QStringLiteral("standins.txt"), "# tiny delays for the tests\r\ndelay = 0.2\r\nsettings.delay = 0.3 # s\r\n"
                                          + extra + "\r\n");
}

struct Run {
    int exitCode = -1;
    QList<int> flags; // each value the open flag was seen to take, in order
    QByteArray err;
    qint64 ms = 0;
};

Run run(const QString &program, const QString &flagFile)
{
    Run r;
    QProcess p;
    p.setWorkingDirectory(QDir::currentPath());
    QElapsedTimer t;
    t.start();
    p.start(exe(program));
    if (!p.waitForStarted(10000))
        return r;
    auto sample = [&] {
        const std::optional<double> v = readNumberFile(flagFile);
        if (v && (r.flags.isEmpty() || r.flags.last() != int(*v)))
            r.flags << int(*v);
    };
    while (p.state() != QProcess::NotRunning && t.elapsed() < 20000) {
        sample();
        p.waitForFinished(3);
    }
    sample();
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished(5000);
        return r;
    }
    r.ms = t.elapsed();
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.err = p.readAllStandardError();
    return r;
}

// Runs a one-line batch file, line ended by CR LF: by cmd on Windows, by /bin/sh elsewhere.
Run shell(const QByteArray &line)
{
    put(QStringLiteral("bmppng.bat"), line + "\r\n");
    Run r;
    QProcess p;
#ifdef Q_OS_WIN
    p.start(QStringLiteral("cmd"), {QStringLiteral("/d"), QStringLiteral("/c"), QStringLiteral("bmppng.bat")});
#else
    p.start(QStringLiteral("/bin/sh"), {QStringLiteral("bmppng.bat")});
#endif
    if (p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit)
        r.exitCode = p.exitCode();
    r.err = p.readAllStandardError();
    return r;
}

QImage solid(QColor colour)
{
    QImage img(12, 8, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

} // namespace

class TestStandins : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void dorliq_data();
    void dorliq();
    void hangsAndAbsurdDelays();
    void settingsMode_data();
    void settingsMode();
    void defaultDelayWithoutSettingsFile();
    void vantroForecast();
    void vantroOptions();
    void pelthor_data();
    void pelthor();
    void mirrix();
    void imageConverter_data();
    void imageConverter();
    void imageConverterNeedsTargetFolder();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldCurrent;
};

void TestStandins::init()
{
    QVERIFY2(QFileInfo(exe(QStringLiteral("dorliq"))).isExecutable(), qPrintable(standinDir()));
    m_oldCurrent = QDir::currentPath();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir::setCurrent(m_dir->path()));
    settings({});
    putSite("Boston+", "KBOS");
}

void TestStandins::cleanup()
{
    QDir::setCurrent(m_oldCurrent);
    m_dir.reset();
}

void TestStandins::dorliq_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<double>("limitMinutes"); // 0: no "timelimit.txt"
    QTest::addColumn<QList<int>>("flags");
    QTest::addColumn<int>("reply");           // what "imcode.txt" holds afterwards
    QTest::addColumn<int>("gfs");             // -1: "gfsmissing.txt" not written
    QTest::addColumn<int>("loc");
    QTest::addColumn<int>("exitCode");

    const QList<int> done{1, 0}, timeLimit{1, 2}, crash{1};
    QTest::newRow("initial data") << 1 << QByteArray() << 0.0 << done << 2 << -1 << -1 << 0;
    QTest::newRow("site data") << 3 << QByteArray("dorliq.gfsmissing = kbos\ndorliq.locmissing = KBO, KATL")
                               << 30.0 << done << 4 << 1 << 0 << 0;
    QTest::newRow("loc missing everywhere") << 3 << QByteArray("dorliq.locmissing = all") << 0.0 << done << 4
                                            << 0 << 1 << 0;
    QTest::newRow("time limit, initial") << 1 << QByteArray("dorliq.timelimit = initial") << 0.0 << timeLimit
                                         << 1 << -1 << -1 << 0;
    QTest::newRow("time limit, site") << 3 << QByteArray("dorliq.timelimit = KATL kbos") << 0.0 << timeLimit
                                      << 3 << -1 << -1 << 0;
    QTest::newRow("all means sites, not the initial step")
        << 1 << QByteArray("dorliq.timelimit = all") << 0.0 << done << 2 << -1 << -1 << 0;
    QTest::newRow("timelimit.txt shorter than the work") << 3 << QByteArray("delay = 2") << 0.004 << timeLimit
                                                         << 3 << -1 << -1 << 0;
    QTest::newRow("no reply, initial") << 1 << QByteArray("dorliq.noreply = initial") << 0.0 << crash << 1
                                       << -1 << -1 << 3;
    QTest::newRow("no reply, site") << 3 << QByteArray("dorliq.noreply = KBOS") << 0.0 << crash << 3 << -1
                                    << -1 << 3;
    QTest::newRow("no output") << 3 << QByteArray("dorliq.nooutput = KBOS") << 0.0 << done << 3 << -1 << -1 << 0;
    QTest::newRow("garbage") << 3 << QByteArray("dorliq.garbage = KBOS") << 0.0 << done << -1 << -1 << -1 << 0;
}

void TestStandins::hangsAndAbsurdDelays()
{
    // A hang stays alive without a reply, its flag at 1 or back at 0.
    for (const QByteArray &fault : {QByteArray("vantro.hang"), QByteArray("vantro.hangclosed")}) {
        settings(fault + " = KBOS");
        writeRecord(QStringLiteral("imcode.txt"), 5);
        QProcess p;
        p.start(exe(QStringLiteral("vantro")));
        QVERIFY(p.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(get(QStringLiteral("standins.log")).contains("hanging"), 5000);
        QVERIFY(!p.waitForFinished(300));
        QCOMPARE(number(QStringLiteral("vantroopen.txt")), fault.endsWith("closed") ? 0 : 1);
        QCOMPARE(number(QStringLiteral("imcode.txt")), 5);
        p.terminate();
        QVERIFY(p.waitForFinished(5000));
        QFile::remove(QStringLiteral("standins.log"));
    }

    // An absurd delay is refused before any file of the protocol is touched.
    for (const QByteArray &bad : {QByteArray("delay = 1e300"), QByteArray("vantro.delay = -1"), QByteArray("delay = soon")}) {
        put(QStringLiteral("standins.txt"), bad + "\r\n");
        QFile::remove(QStringLiteral("vantroopen.txt"));
        const Run r = run(QStringLiteral("vantro"), QStringLiteral("vantroopen.txt"));
        QCOMPARE(r.exitCode, 4);
        QVERIFY2(r.err.contains("is not a delay"), r.err);
        QVERIFY(r.flags.isEmpty());
        QVERIFY(!QFile::exists(QStringLiteral("vantroopen.txt")));
    }
}

void TestStandins::dorliq()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, options);
    QFETCH(double, limitMinutes);
    settings(options);
    writeRecord(QStringLiteral("imcode.txt"), mode);
    if (limitMinutes > 0)
        writeRecord(QStringLiteral("timelimit.txt"), limitMinutes);

    const Run r = run(QStringLiteral("dorliq"), QStringLiteral("dorliqopen.txt"));
    QTEST(r.exitCode, "exitCode");
    QTEST(r.flags, "flags");
    QTEST(number(QStringLiteral("imcode.txt")), "reply");
    QTEST(number(QStringLiteral("gfsmissing.txt")), "gfs");
    QTEST(number(QStringLiteral("locmissing.txt")), "loc");
    QCOMPARE(get(QStringLiteral("dorliqopen.txt")).right(2), QByteArray("\r\n"));
    QVERIFY(r.ms < 1800); // the time limit cut the 2 s of work short
    const QByteArray expected = mode == 1 ? "dorliq mode=1 site=-" : "dorliq mode=3 site=KBOS";
    QVERIFY2(get(QStringLiteral("standins.log")).contains(expected), get(QStringLiteral("standins.log")));
}

void TestStandins::settingsMode_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("mode");
    QTest::newRow("dorliq") << "dorliq" << 9;
    QTest::newRow("vantro") << "vantro" << 9;
    QTest::newRow("mirrix") << "mirrix" << 0;
    QTest::newRow("pelthor") << "pelthor" << 9; // no "autopel.txt": opened by the user
    QTest::newRow("unknown code closes at once") << "vantro" << 7;
}

void TestStandins::settingsMode()
{
    QFETCH(QString, program);
    QFETCH(int, mode);
    writeRecord(QStringLiteral("imcode.txt"), mode);
    const Run r = run(program, program + QStringLiteral("open.txt"));
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.flags.last(), 0);
    QCOMPARE(number(QStringLiteral("imcode.txt")), mode);
    if (mode == 7) {
        QVERIFY(r.ms < 1500);
    } else {
        QCOMPARE(r.flags, QList<int>({1, 0}));
        QVERIFY(r.ms >= 300);
        QVERIFY(get(QStringLiteral("standins.log")).contains("opened for settings"));
    }
}

void TestStandins::defaultDelayWithoutSettingsFile()
{
    QFile::remove(QStringLiteral("standins.txt"));
    writeRecord(QStringLiteral("imcode.txt"), 1);
    const Run r = run(QStringLiteral("dorliq"), QStringLiteral("dorliqopen.txt"));
    QCOMPARE(r.flags, QList<int>({1, 0}));
    QCOMPARE(number(QStringLiteral("imcode.txt")), 2);
    QVERIFY(r.ms >= 1000);
}

void TestStandins::vantroForecast()
{
    settings("vantro.seatemp = KATL,kbos");
    writeRecord(QStringLiteral("lasthr.txt"), 1);
    writeRecord(QStringLiteral("defst.txt"), 0);
    put(QStringLiteral("cor.txt"), "0,1,0,0\r\n");
    put(QStringLiteral("snowrec.txt"), "\"kept\",12\r\n");
    QByteArray firstCsv;
    for (int pass = 0; pass < 2; ++pass) {
        writeRecord(QStringLiteral("imcode.txt"), 5);
        QFile::remove(QStringLiteral("vantroopen.txt"));
        const Run r = run(QStringLiteral("vantro"), QStringLiteral("vantroopen.txt"));
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.flags, QList<int>({1, 0}));
        QCOMPARE(number(QStringLiteral("imcode.txt")), 6);
        if (pass == 0)
            firstCsv = get(QStringLiteral("latest.csv"));
    }

    for (const char *name : {"latest.vnf", "latest.txt", "latest.csv", "latestdaily.csv", "plaintext.txt",
                             "latestturbine.csv", "summary.txt"}) {
        const QByteArray text = get(QString::fromLatin1(name));
        QVERIFY2(text.left(60).contains("SYNTHETIC FORECAST (stand-in program, not a real forecast)"), name);
        QVERIFY2(text.contains("KBOS") && text.contains("Boston") && !text.contains("Boston+"), name);
        QVERIFY2(text.endsWith("\r\n") && !text.contains("\r\r"), name);
    }
    QVERIFY(get(QStringLiteral("plaintext.txt")).count("\r\n") >= 4);
    QVERIFY(get(QStringLiteral("plaintext.txt")).contains("Forecast for Boston (KBOS)"));

    // 48 hourly rows starting on the whole hour; the same site and hour give the same numbers
    const QList<QByteArray> rows = get(QStringLiteral("latest.csv")).split('\n');
    QCOMPARE(rows.size(), 3 + 48 + 1);
    QVERIFY2(rows[3].mid(13, 3) == ":00", rows[3]);
    if (firstCsv.split('\n').value(3) == rows[3])
        QCOMPARE(get(QStringLiteral("latest.csv")), firstCsv);

    const QImage chart(QStringLiteral("meteogramKBO.bmp"));
    QCOMPARE(chart.size(), QSize(160, 100));
    int red = 0;
    for (int y = 0; y < chart.height(); ++y)
        for (int x = 0; x < chart.width(); ++x)
            red += qRed(chart.pixel(x, y)) > 150 && qGreen(chart.pixel(x, y)) < 100;
    QVERIFY(red > 40); // the temperature curve

    // the state files keep their content and one stamp of the last run
    const QByteArray snow = get(QStringLiteral("snowrec.txt"));
    QVERIFY(snow.startsWith("\"kept\",12\r\n"));
    QCOMPARE(snow.count("SYNTHETIC run stamp"), 1);
    QCOMPARE(get(QStringLiteral("ecdata.txt")).count("SYNTHETIC run stamp"), 1);

    QCOMPARE(get(QStringLiteral("seatempanomalies.txt")), QByteArray("\"Boston\"\r\n\"Boston\"\r\n"));
    QCOMPARE(get(QStringLiteral("standins.log")).count("vantro mode=5 site=KBOS"), 2);
}

void TestStandins::vantroOptions()
{
    // temperature by hour; the weather of an hour does not depend on when the run started
    auto temperatures = [] {
        QMap<QByteArray, double> byTime;
        for (const QByteArray &row : get(QStringLiteral("latest.csv")).split('\n').mid(3))
            if (row.count(',') == 6)
                byTime.insert(row.split(',')[0], row.split(',')[1].toDouble());
        return byTime;
    };
    writeRecord(QStringLiteral("imcode.txt"), 5);
    writeRecord(QStringLiteral("lasthr.txt"), 1);
    run(QStringLiteral("vantro"), QStringLiteral("vantroopen.txt"));
    const QMap<QByteArray, double> neutral = temperatures();
    QCOMPARE(neutral.size(), 48);

    // corrections from "cor.txt"; default water temperatures keep the site off the anomaly list
    settings("vantro.seatemp = all");
    put(QStringLiteral("cor.txt"), "10,1,0,0\r\n");
    writeRecord(QStringLiteral("defst.txt"), 1);
    writeRecord(QStringLiteral("imcode.txt"), 5);
    run(QStringLiteral("vantro"), QStringLiteral("vantroopen.txt"));
    const QMap<QByteArray, double> corrected = temperatures();
    const QByteArray hour = neutral.lastKey();
    QVERIFY(corrected.contains(hour));
    QVERIFY2(qAbs(corrected[hour] - neutral[hour] - 10) < 0.11, hour);
    QVERIFY(!QFile::exists(QStringLiteral("seatempanomalies.txt")));

    // a crash leaves the flag at 1 and writes nothing
    QFile::remove(QStringLiteral("latest.txt"));
    settings("vantro.noreply = KBOS");
    writeRecord(QStringLiteral("imcode.txt"), 5);
    const Run r = run(QStringLiteral("vantro"), QStringLiteral("vantroopen.txt"));
    QCOMPARE(r.exitCode, 3);
    QCOMPARE(number(QStringLiteral("vantroopen.txt")), 1);
    QCOMPARE(number(QStringLiteral("imcode.txt")), 5);
    QVERIFY(!QFile::exists(QStringLiteral("latest.txt")));
}

void TestStandins::pelthor_data()
{
    QTest::addColumn<QString>("line12"); // "" : "pelini.txt" ends after line 11
    QTest::addColumn<bool>("inFolder");  // "lastpel.txt" goes to that folder
    QTest::newRow("folder of pelini.txt") << "\"%1/\"" << true;
    QTest::newRow("11 lines") << "" << false;
    QTest::newRow("Windows folder not here") << "\"c:\\vantro\\\"" << false;
}

void TestStandins::pelthor()
{
    QFETCH(QString, line12);
    QFETCH(bool, inFolder);
    QVERIFY(QDir().mkdir(QStringLiteral("work")));
    QByteArray pelini = "1,2,3,4,5,6,7,8\r\n1,2,3,4,5,6,7,8,9,10\r\n";
    for (int i = 3; i <= 11; ++i)
        pelini += QByteArray::number(i) + "\r\n";
    if (!line12.isEmpty())
        pelini += QString(line12).replace(QLatin1String("%1"), QDir::current().filePath(QStringLiteral("work")))
                      .toUtf8()
                  + "\r\n6\r\n0\r\n";
    put(QStringLiteral("pelini.txt"), pelini);
    writeRecord(QStringLiteral("autopel.txt"), 1);

    const Run r = run(QStringLiteral("pelthor"), QStringLiteral("pelthoropen.txt"));
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.flags, QList<int>({1, 0}));
    QCOMPARE(number(QStringLiteral("autopel.txt")), 0);
    const QString lastpel = inFolder ? QStringLiteral("work/lastpel.txt") : QStringLiteral("lastpel.txt");
    QVERIFY(!QFile::exists(inFolder ? QStringLiteral("lastpel.txt") : QStringLiteral("work/lastpel.txt")));
    const QByteArray text = get(lastpel);
    QVERIFY2(text.startsWith("SYNTHETIC VERIFICATION") && text.contains("(KBOS)"), text);
}

void TestStandins::mirrix()
{
    writeRecord(QStringLiteral("imcode.txt"), 20);
    put(QStringLiteral("mxrninit.txt"), "\"station\",3\r\n");
    const Run r = run(QStringLiteral("mirrix"), QStringLiteral("mirrixopen.txt"));
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.flags, QList<int>({1, 0}));
    QCOMPARE(number(QStringLiteral("imcode.txt")), 22);
    ListReader cor = ListReader::open(QStringLiteral("cor.txt"));
    const double a = cor.readNumber(), b = cor.readNumber(), c = cor.readNumber(), d = cor.readNumber();
    QVERIFY(qAbs(a) <= 1 && b >= 0.95 && b <= 1.05 && qAbs(c) <= 0.8 && qAbs(d) <= 0.02);
    QVERIFY(cor.readText().startsWith(QLatin1String("SYNTHETIC")));

    settings("mirrix.noreply = all");
    writeRecord(QStringLiteral("imcode.txt"), 20);
    const Run crash = run(QStringLiteral("mirrix"), QStringLiteral("mirrixopen.txt"));
    QCOMPARE(crash.exitCode, 3);
    QCOMPARE(number(QStringLiteral("mirrixopen.txt")), 1);
    QCOMPARE(number(QStringLiteral("imcode.txt")), 20);
}

void TestStandins::imageConverter_data()
{
    QTest::addColumn<QByteArray>("inputs");
    QTest::newRow("pattern expanded by the shell") << QByteArray("%W/*.bmp");
    QTest::newRow("pattern left to the converter") << QByteArray("\"%W/*.bmp\"");
    QTest::newRow("files named, a Windows path ignored") << QByteArray("'c:\\vantro\\*.bmp' %W/a.bmp %W/b.bmp");
}

void TestStandins::imageConverter()
{
    QFETCH(QByteArray, inputs);
    QVERIFY(QDir().mkdir(QStringLiteral("png")));
    QVERIFY(solid(Qt::red).save(QStringLiteral("a.bmp")));
    QVERIFY(solid(Qt::blue).save(QStringLiteral("b.bmp")));
    const QByteArray work = QDir::currentPath().toUtf8();
    inputs.replace("%W", work);

    const Run r = shell("\"" + exe(QStringLiteral("i_view32")).toUtf8() + "\" " + inputs + " /convert=" + work
                        + "/png/*.png");
    QVERIFY2(r.exitCode == 0, r.err);
    QCOMPARE(QDir(QStringLiteral("png")).entryList(QDir::Files), QStringList({"a.png", "b.png"}));
    QCOMPARE(QImage(QStringLiteral("png/a.png")).pixel(3, 3), QColor(Qt::red).rgb());
    QCOMPARE(QImage(QStringLiteral("png/b.png")).size(), QSize(12, 8));
    QVERIFY(get(QStringLiteral("standins.log")).contains("i_view32 mode=- site=- converted 2 file(s)"));
}

void TestStandins::imageConverterNeedsTargetFolder()
{
    QVERIFY(solid(Qt::green).save(QStringLiteral("a.bmp")));
    const QByteArray line = "\"" + exe(QStringLiteral("i_view32")).toUtf8() + "\" " + QDir::currentPath().toUtf8()
                            + "/*.bmp /convert=" + QDir::currentPath().toUtf8();
    Run r = shell(line + "/missing/*.png");
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains("does not exist"), r.err);

    // a pattern that matches nothing reaches the converter as it is and converts nothing
    QFile::remove(QStringLiteral("a.bmp"));
    r = shell(line + "/*.png");
    QCOMPARE(r.exitCode, 0);
    QVERIFY(QDir().entryList({QStringLiteral("*.png")}, QDir::Files).isEmpty());
    QVERIFY(get(QStringLiteral("standins.log")).contains("converted 0 file(s)"));
}

QTEST_GUILESS_MAIN(TestStandins)
#include "test_standins.moc"
