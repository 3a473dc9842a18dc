// Hostile and careless input in the working folder and on the command line stays inside: no
// shell, no write through a link, no endless read, one copy of the program per folder.
#include "core/dialogs.h"
#include "app/folderlock.h"
#include "core/messageboxes.h"
#include "app/mainwindow.h"
#include "app/commandline.h"
#include "app/runstatuspanel.h"
#include "companions/launcher.h"
#include "run/forecastrun.h"
#include "run/runrecord.h"
#include "windows/runhistoryform.h"
#include "standins.h"
#include "workfolder.h"

#include <QPlainTextEdit>
#include <QProcess>
#include <QtTest>
#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace kess;
using kess::test::WorkFolder;
namespace {

// The sites given, stand-ins installed, flags closed; each site's PELTHOR folder is `pelthor`.
void prepare(WorkFolder &f, const QList<QPair<QString, QString>> &sites, const QString &pelthor)
{
    f.makeSites(sites, QList<int>(sites.size(), 1));
    for (int n = 0; n <= sites.size(); ++n)
        f.write(QStringLiteral("r%1.txt").arg(n), WorkFolder::pelthorSettings(pelthor));
    copyFile("r0.txt", "pelini.txt");
    QVERIFY(kess::test::installStandins());
    for (const char *flag : {"vantroopen.txt", "dorliqopen.txt", "pelthoropen.txt"})
        f.write(QLatin1String(flag), QStringList{"0"});
    f.write("standins.txt", QStringList{"delay = 0.05", "settings.delay = 0.05"});
}

} // namespace
class TestUntrusted : public QObject {
    Q_OBJECT
private slots:
    // A working folder this user may not write is still locked, in the runtime folder, once.
    void aReadOnlyFolderIsLockedElsewhere()
    {
#ifdef Q_OS_WIN
        QSKIP("a folder's read-only flag does not keep files out of it on Windows");
#else
        if (::geteuid() == 0)
            QSKIP("root writes into a read-only folder");
        WorkFolder f;
        QVERIFY(::chmod(".", 0555) == 0);
        FolderLock first, second;
        const std::optional<QString> refused = first.take();
        QVERIFY2(!refused, qPrintable(refused.value_or(QString())));
        QVERIFY(QFile::exists(FolderLock::fallbackLockPath(f.path())));
        QVERIFY(second.take().has_value());
        QVERIFY(::chmod(".", 0755) == 0);
#endif
    }

    void linksSpecialFilesOddCodesAndLongListsStayInside()
    {
#ifdef Q_OS_WIN
        QSKIP("needs symbolic links made without privileges, FIFOs and /dev/zero");
#else
        RunTimingOverride timing(kess::test::quickRunTiming());
        WorkFolder f;
        QTemporaryDir outside;
        prepare(f, {{"<b>Boston", "KBO<img src='x.png'>"}, {"Nul", QStringLiteral("K") + QChar(0) + "X"}, {"Blank", ""}},
                f.folderText());
        f.write("r1.txt", WorkFolder::pelthorSettings(outside.path() + "/")); // as in a copied folder
        const QString victim = outside.filePath("victim.txt");
        writeLines(victim, {"keep"});
        QVERIFY(QFile::link(victim, "kesslog.txt") && ::link(victim.toUtf8(), "textall.txt") == 0);
        QVERIFY(QFile::link("/dev/zero", "kesshistory.txt"));
        QFile::remove("vantroopen.txt");
        QFile::remove("kessinit.txt");
        QVERIFY(::mkfifo("kessinit.txt", 0600) == 0 && ::mkfifo("vantroopen.txt", 0600) == 0);
        QStringList anomalies;
        for (int i = 0; i < 100000; ++i)
            anomalies << QStringLiteral("S%1").arg(i);
        f.write("seatempanomalies.txt", anomalies);
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        w.Command2->click();
        QCOMPARE(WorkFolder::lines(victim), QStringList{"keep"});
        const QStringList log = WorkFolder::lines("kesslog.txt");
        QCOMPARE(log.last(), QStringLiteral("Got to 11"));
        QVERIFY(log.contains("S99999"));
        QCOMPARE(log.filter("abandoned").size(), 2);
        QCOMPARE(log.filter("PELTHOR folder " + outside.path()).size(), 1);
        QCOMPARE(dialogs.shown().filter("was skipped in this run").size(), 2);
        const QStringList sea = dialogs.shown().filter("sea temperatures");
        QCOMPARE(sea.size(), 1);
        QVERIFY(sea[0].contains(QStringLiteral("\u2026 and 99950 more (see kesslog.txt)")));
        QVERIFY(sea[0].count(u'\r') < 60);
        QCOMPARE(w.Label8->text(), QStringLiteral("KBO<img src='x.png'> <b>Boston"));
        for (QLabel *label : w.findChildren<QLabel *>())
            QVERIFY(label->textFormat() == Qt::PlainText || !label->text().contains(u'<'));
        const RunNotice notice = runNotice(w.forecastRun().status().record());
        QVERIFY(notice.body.contains(QStringLiteral("K\uFFFDX Nul")));
        QTest::qWait(1500); // the PELTHOR stand-ins close
#endif
    }

    void shellTextNeverRunsAndBlanksConvert()
    {
        RunTimingOverride timing(kess::test::quickRunTiming());
        WorkFolder base;
        const QString hostile = base.path() + "/wx $(touch pwned1);touch pwned2;`touch pwned3`";
        QVERIFY(QDir().mkpath(hostile + "/png $(touch pwned4)"));
        QDir::setCurrent(hostile);
        prepare(base, {{"Boston", "KBOS"}}, hostile + "/");
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        w.bmppng->setChecked(true);
        w.ivtx->setText(hostile);
        w.pngtar->setText(hostile + "/png $(touch pwned4)");
        w.Command2->click();
        QTRY_VERIFY_WITH_TIMEOUT(QDir(hostile + "/png $(touch pwned4)").entryList({"*.png"}).size() == 1, 10000);
        QVERIFY(WorkFolder::exists("bmppng.bat"));

        w.pngtar->setText(hostile + "/missing"); // the converter fails: the run says so
        w.Command2->click();
        QCOMPARE(WorkFolder::lines("kesslog.txt").filter("PNG conversion failed").size(), 1);
        QVERIFY(w.forecastRun().status().lastLine().contains("troubles: PNG conversion after site 1 failed"));
        QCOMPARE(QDir(hostile).entryList({"pwned*"}) + QDir(hostile + "/..").entryList({"pwned*"}), QStringList{});
        QTest::qWait(1500);
    }

    void runRecordKeepsTheNewestRowsAndTheRowsItDidNotWrite()
    {
        WorkFolder f;
        const auto row = [](const char *day, const QByteArray &code, const QByteArray &name) {
            return "2026-01-0" + QByteArray(day) + "T06:00:00+00:00,forecast,scheduled,60,1," + code + ',' + name + ",forecast,\r\n";
        };
        const QByteArray old = row("1", "KOLD", "Old"), open = row("2", "KOPN", "\"Open"), latin = row("3", "KLAT", "Caf\xe9");
        QByteArray bytes = "\xEF\xBB\xBF" + csvLine(runRecordHeader());
        while (bytes.size() < 9 << 20)
            bytes += old;
        f.write(runRecordFileName(), bytes + open + latin);
        RunRecord run;
        run.started = QDateTime::currentDateTime();
        run.sites << SiteResult{1, "KNEW\r\nstarted 1999", "'=x", SiteOutcome::Skipped, "why"};
        appendRunRecord(run);
        const QByteArray after = WorkFolder::bytes(runRecordFileName());
        QVERIFY(after.size() <= 8 << 20 && after.contains(open) && after.endsWith(latin + csvLine(runRows(run)[0])));
        const QList<QByteArray> lines = after.split('\n');
        QCOMPARE(QSet<QByteArray>(lines.begin(), lines.end()).size(), 6); // header, old, open, latin, new, end
        const QList<RunRecord> runs = readRunRecord();
        QCOMPARE(runs[runs.size() - 2].sites[0].name, QStringLiteral("Caf\u00e9"));
        QCOMPARE(runs.last().sites[0].name, QStringLiteral("'=x"));
        RunHistoryForm history(nullptr);
        history.load();
        QCOMPARE(history.grid->model()->headerData(0, Qt::Vertical).toString(), QStringLiteral("! KNEW\uFFFD\uFFFDstarted 1999 '=x"));
        QCOMPARE(history.grid->model()->index(0, 0).data().toString(), QStringLiteral("S"));

        // More sites than the program can have: the 99 newest are shown.
        for (int n = 0; n < 150; ++n) {
            RunRecord record;
            record.sites = {SiteResult{1, QString::number(n), "x", SiteOutcome::Done, {}}};
            appendRunRecord(record);
        }
        history.load();
        QCOMPARE(history.grid->model()->rowCount(), 99);
        QCOMPARE(history.grid->model()->headerData(0, Qt::Vertical).toString(), QStringLiteral("149 x"));
    }

    void historyLinesStayOneLineAndShortInTheWindow()
    {
        WorkFolder f;
        f.write(historyFileName(), "started good\r\n" + QByteArray(1 << 20, '\0'));
        QCOMPARE(lastHistoryLine(), QStringLiteral("started good"));
        appendHistory("started now, skipped: K\r\nstarted 1999-01-01");
        QCOMPARE(lastHistoryLine(), QStringLiteral("started now, skipped: K\uFFFD\uFFFDstarted 1999-01-01"));
        f.write(historyFileName(), "started good\r\n<img src='x.png'>" + QByteArray(1 << 20, 'x'));
        RunStatusPanel panel;
        QVERIFY(panel.lastRun->text().size() <= 1000 && panel.lastRun->toolTip().size() < 5000);

        QCOMPARE(readCommandLine({"kessamir", "--companion-deadline", ""}).exitCode, std::optional<int>(2));
        QCOMPARE(readCommandLine({"kessamir", "--companion-deadline", "1e-9"}).exitCode, std::optional<int>(2));

        Dialogs::Script putsBackTheTestsBoxes;
        installMessageBoxes();
        Dialogs::notifyNonBlocking(QStringLiteral("<b>site</b>\r").repeated(200)); // a long list of sites
        const auto boxes = QApplication::topLevelWidgets();
        const auto box = std::find_if(boxes.begin(), boxes.end(), [](QWidget *w) { return w->inherits("QDialog"); });
        QVERIFY(box != boxes.end() && (*box)->findChild<QPlainTextEdit *>());
        QVERIFY((*box)->frameGeometry().height() <= (*box)->screen()->availableGeometry().height());
        QCOMPARE((*box)->findChild<QPlainTextEdit *>()->toPlainText().count("<b>site</b>"), 200);
        delete *box;
    }

    void oneCopyPerFolderWhateverItsName()
    {
#ifdef Q_OS_WIN
        QSKIP("a folder name in a legacy 8-bit encoding exists only on Linux (Windows names are UTF-16)");
#else
        QTemporaryDir base;
        const QByteArray folder = QFile::encodeName(base.path()) + "/caf\xe9"; // Latin-1, not UTF-8
        QVERIFY(::mkdir(folder.constData(), 0700) == 0);
        const auto start = [&](QProcess &p) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("QT_QPA_PLATFORM", "offscreen");
            env.insert("XDG_CONFIG_HOME", base.path());
            p.setProcessEnvironment(env);
            p.start("/bin/sh", {"-c", "exec \"$0\" --folder \"$1/$(printf 'caf\\351')\"", KESSAMIR_BINARY, base.path()});
        };
        ::close(::open(folder + "/kessamir.lock", O_CREAT | O_WRONLY, 0644)); // left empty by a power cut
        QProcess first, second;
        start(first);
        struct stat lock {};
        QTRY_VERIFY_WITH_TIMEOUT(::stat(folder + "/kessamir.lock", &lock) == 0 && lock.st_size > 0, 10000);
        QTest::qWait(1000);
        const QString ls = base.filePath("ls.txt");
        const auto listing = [&] {
            QProcess::execute("/bin/sh", {"-c", "ls -la --full-time \"$1/$(printf 'caf\\351')\" > \"$0\"", ls, base.path()});
            return WorkFolder::bytes(ls);
        };
        const QByteArray before = listing();
        start(second);
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 3);
        QVERIFY(second.readAllStandardError().contains("process " + QByteArray::number(first.processId())));
        QCOMPARE(listing(), before);
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        first.waitForFinished(5000);

        // A companion in such a folder is found and started there.
        QVERIFY(::chdir(folder.constData()) == 0);
        writeBytes("vantro.exe", "#!/bin/sh\necho started > started.txt\n");
        QVERIFY(QFile::setPermissions("vantro.exe", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(launchProgram("vantro.exe").ok());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists("started.txt"), 10000);
        QDir::setCurrent(base.path());
        QProcess::execute("rm", {"-rf", base.path()}); // QTemporaryDir cannot spell the folder's name
#endif
    }
};

QTEST_MAIN(TestUntrusted)
#include "test_untrusted.moc"
