// The run's progress and last-run line in the window, the run history "kesshistory.txt", the
// per-site record "kessruns.csv", the Run history window, the tray and the desktop notification.
#include "app/mainwindow.h"
#include "app/runstatuspanel.h"
#include "app/runtray.h"
#include "core/clock.h"
#include "core/dialogs.h"
#include "run/forecastrun.h"
#include "run/runrecord.h"
#include "run/runstatus.h"
#include "run/waits.h"
#include "scheduler/duerule.h"
#include "windows/auxwindows.h"
#include "windows/runhistoryform.h"
#include "standins.h"
#include "workfolder.h"

#ifndef Q_OS_WIN
#include <QDBusConnection>
#include <QDBusMessage>
#endif
#include <QHeaderView>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

using namespace kess;
using kess::test::WorkFolder;

namespace {

const QList<QPair<QString, QString>> kSites{{"Boston", "KBOS"}, {"Atlanta", "KATL"}, {"Seattle", "KSEA"}};

struct QuickRun {
    explicit QuickRun(const QList<int> &runFlags, const QStringList &standinSettings)
    {
        folder.makeSites(kSites, runFlags);
        if (!kess::test::installStandins())
            qFatal("stand-ins missing");
        for (const char *flag : {"vantroopen.txt", "dorliqopen.txt", "pelthoropen.txt"})
            folder.write(QLatin1String(flag), QStringList{"0"});
        folder.write("standins.txt", QStringList{"delay = 0.05", "settings.delay = 0.05"} + standinSettings);
        w.startUp();
        w.show();
        w.activateWindow();
        if (!QTest::qWaitForWindowActive(&w))
            qWarning("window not active");
    }
    ~QuickRun()
    {
        // The PELTHOR copies started by the run finish before the folder goes away.
        QTRY_VERIFY_WITH_TIMEOUT(WorkFolder::lines("pelthoropen.txt") != QStringList{"1"}, 10000);
    }
    RunTimingOverride timing{kess::test::quickRunTiming()};
    WorkFolder folder;
    Dialogs::Script dialogs;
    MainWindow w;
};

#ifdef Q_OS_WIN
// Windows has no notification service: with no tray to show a balloon (headless), a notice is
// a warning line "summary: body", its lines joined by "; ". Records those lines.
struct Notifications {
    QStringList received;
};
Notifications *g_notifications = nullptr;
QtMessageHandler g_previousHandler = nullptr;
void recordNotice(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.startsWith("KESSAMIR: ") && g_notifications)
        g_notifications->received << message;
    g_previousHandler(type, context, message);
}
QString notice(const QString &summary, const QString &body)
{
    return summary + ": " + QString(body).replace('\n', "; ");
}
#else
// The desktop's notification service, as far as KESSAMIR uses it: records what it is sent.
class Notifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList received; // "summary | body"
public slots:
    uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &, const QVariantMap &, int)
    {
        received << summary + " | " + body;
        return uint(received.size());
    }
};
QString notice(const QString &summary, const QString &body)
{
    return summary + " | " + body;
}
#endif

} // namespace

class TestRunStatus : public QObject {
    Q_OBJECT
    Notifications m_service;
#ifndef Q_OS_WIN
    QProcess m_bus;
    std::optional<QDBusConnection> m_serviceConnection;
#endif
private slots:
    void initTestCase()
    {
#ifdef Q_OS_WIN
        g_notifications = &m_service;
        g_previousHandler = qInstallMessageHandler(recordNotice);
#else
        // A session bus of our own, so that no notification reaches the desktop of whoever runs the tests.
        m_bus.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        QVERIFY(m_bus.waitForReadyRead(10000));
        const QByteArray address = m_bus.readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        m_serviceConnection = QDBusConnection::connectToBus(QString::fromUtf8(address), "notifications");
        QVERIFY(m_serviceConnection->registerService("org.freedesktop.Notifications"));
        QVERIFY(m_serviceConnection->registerObject("/org/freedesktop/Notifications", &m_service,
                                                    QDBusConnection::ExportAllSlots));
#endif
    }
    void cleanupTestCase()
    {
#ifdef Q_OS_WIN
        qInstallMessageHandler(g_previousHandler);
        g_notifications = nullptr;
#else
        m_bus.kill();
        m_bus.waitForFinished();
#endif
    }

    // First, before any other run has sent the service something.
    void aRunThatLostASiteIsRecordedNotifiedAndShown()
    {
        const QString reason = "DORLIQ did not find the data this site needs";
        QuickRun run({1, 1, 1}, {"dorliq.gfsmissing = KATL"});
        MainWindow &w = run.w;
        w.exmodchk->setChecked(true);
        w.Command2->click();

        // One row per site in kessruns.csv.
        const QList<QStringList> rows = parseCsv(WorkFolder::bytes("kessruns.csv"));
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[2].mid(4), (QStringList{"2", "KATL", "Atlanta", "skipped", reason}));
        QCOMPARE(rows[1].mid(4), (QStringList{"1", "KBOS", "Boston", "forecast", ""}));

        // The desktop is told, and the tray shows the loss.
        const QString started = rows[1][0].left(16).replace('T', ' ');
        QTRY_COMPARE(m_service.received, QStringList{notice("KESSAMIR: immediate forecast run of " + started +
                                                            " lost 1 site", "KATL Atlanta: " + reason)});
        QVERIFY(w.runTray().lastRunLost());
        QVERIFY2(w.runTray().icon()->toolTip().contains("idle\nlast forecast run of ") &&
                     w.runTray().icon()->toolTip().endsWith(": 2 of 3 sites forecast, 1 lost"),
                 qPrintable(w.runTray().icon()->toolTip()));
        {
            MainWindow morning; // the program started again: its tray knows the last run from the record
            QTRY_VERIFY(morning.runTray().lastRunLost());
        }

        // The history: the lost site on top, its cell with its reason.
        w.findChild<QPushButton *>("runHistoryButton")->click();
        RunHistoryForm *history = w.auxWindows().runHistory();
        QVERIFY(history && history->isVisible());
        QCOMPARE(history->windowTitle(), "Run history - KESSAMIR - " + QDir::toNativeSeparators(QDir::currentPath()));
        const QAbstractItemModel *cells = history->grid->model();
        // Each header says when (with the year), who started it and whether it lost sites, whole.
        const QStringList header = cells->headerData(0, Qt::Horizontal).toString().split('\n');
        QCOMPARE(header[0], started);
        QCOMPARE(header.mid(2), (QStringList{"forecast", "by hand", "! 1 lost"}));
        for (const QString &line : header)
            QVERIFY(history->grid->horizontalHeader()->fontMetrics().horizontalAdvance(line) < history->grid->columnWidth(0));
        QCOMPARE(cells->headerData(0, Qt::Vertical).toString(), QStringLiteral("! KATL Atlanta"));
        QCOMPARE(cells->index(0, 0).data().toString(), QStringLiteral("S"));
        QCOMPARE(cells->index(1, 0).data().toString(), QStringLiteral("F"));
        QCOMPARE(cells->index(0, 0).data(Qt::ToolTipRole).toString(), "skipped: " + reason);
        history->grid->setCurrentIndex(cells->index(0, 0));
        QVERIFY2(history->detailLine->text().startsWith("KATL Atlanta, immediate forecast run of " + started) &&
                     history->detailLine->text().endsWith(": skipped: " + reason),
                 qPrintable(history->detailLine->text()));

        // The notification's action opens the history again.
        history->close();
        QTRY_VERIFY(!w.auxWindows().runHistory());
#ifndef Q_OS_WIN
        QDBusMessage action = QDBusMessage::createSignal("/org/freedesktop/Notifications",
                                                         "org.freedesktop.Notifications", "ActionInvoked");
        action << uint(1) << QStringLiteral("default");
        QVERIFY(m_serviceConnection->send(action));
#else
        w.auxWindows().showRunHistory(); // no balloon to click headless
#endif
        QTRY_VERIFY(w.auxWindows().runHistory());

        // A clean run: nothing sent, the tray clear, its column first in the open history.
        w.exmodchk->setChecked(false);
        w.Command2->click();
        cells = w.auxWindows().runHistory()->grid->model();
        QCOMPARE(cells->columnCount(), 2); // also when both runs started within one second
        QCOMPARE(cells->headerData(1, Qt::Vertical).toString(), QStringLiteral("KATL Atlanta"));
        QCOMPARE(cells->index(1, 0).data().toString() + cells->index(1, 1).data().toString(), QStringLiteral("FS"));
        QVERIFY(!w.runTray().lastRunLost());
        QTest::qWait(300);
        QCOMPARE(m_service.received.size(), 1);
    }

    void theRunRecordQuotesItsFieldsAndKeepsTheLastRows()
    {
        WorkFolder f;
        RunRecord run;
        run.how = RunStart::Scheduled;
        run.started = QDateTime(QDate(2026, 12, 10), QTime(6, 15, 1));
        run.lastedMs = 125'400;
        run.sites = {{1, "KBOS", "=cmd|' /C calc'!A0", SiteOutcome::Done, {}},
                     {2, "KPWM", "Portland, \"Old Port\"", SiteOutcome::Skipped, "DORLIQ passed the time limit"},
                     {3, "KSEA", "Seattle", SiteOutcome::NotInRun, {}}};
        appendRunRecord(run, 5);
        const QByteArray first = WorkFolder::bytes("kessruns.csv");
        QVERIFY(first.startsWith("\xEF\xBB\xBFrun start,run kind,started by,duration s,site number,site code,"
                                 "site name,outcome,reason\r\n"));
        QVERIFY(first.endsWith(",forecast,scheduled,125,3,KSEA,Seattle,not in run,\r\n"));
        QVERIFY(first.contains(",2,KPWM,\"Portland, \"\"Old Port\"\"\",skipped,DORLIQ passed the time limit\r\n"));
        QVERIFY(first.contains(",1,KBOS,'=cmd|' /C calc'!A0,forecast,")); // text to a spreadsheet
        QVERIFY(QRegularExpression("^2026-12-10T06:15:01[+-]\\d\\d:\\d\\d$").match(parseCsv(first)[1][0]).hasMatch());

        // A learning run after it: the oldest row goes, and both runs read back as they were.
        run.kind = RunKind::Learning;
        run.started = run.started.addSecs(3600);
        appendRunRecord(run, 5);
        const QList<QStringList> rows = parseCsv(WorkFolder::bytes("kessruns.csv"));
        QCOMPARE(rows.size(), 6);
        QCOMPARE(rows[1][6], QStringLiteral("Portland, \"Old Port\""));
        QCOMPARE(rows[3][1] + "/" + rows[3][7], QStringLiteral("learning/learned"));
        const QList<RunRecord> runs = readRunRecord();
        QCOMPARE(runs.size(), 2);
        QCOMPARE(runs[0].sites.size(), 2);
        QCOMPARE(runs[1].sites[1].reason, QStringLiteral("DORLIQ passed the time limit"));
        QCOMPARE(runs[1].sites[0].name, QStringLiteral("=cmd|' /C calc'!A0"));

        // The next scheduled start beside "Scheduler ON": later today, else tomorrow's first.
        QCOMPARE(nextStartText(18 * 3600, {6 * 3600 + 900, 18 * 3600 + 900}), QStringLiteral("18:15"));
        QCOMPARE(nextStartText(19 * 3600, {6 * 3600 + 900, 18 * 3600 + 900}), QStringLiteral("tomorrow 06:15"));
    }

    void theSummaryLineSaysWhatTheRunDid()
    {
        RunRecord r;
        r.started = QDateTime(QDate(2026, 12, 9), QTime(6, 15, 1));
        r.lastedMs = 125'400;
        r.sitesIncluded = 4;
        r.sitesForecast = 3;
        r.skipped << "KATL Atlanta (DORLIQ passed the time limit)";
        r.completed = true;
        QCOMPARE(summaryLine(r), QStringLiteral("started 2026-12-09 06:15:01, lasted 2 min 05 s, 3 of 4 sites forecast, "
                                                "skipped: KATL Atlanta (DORLIQ passed the time limit)"));

        RunRecord aborted;
        aborted.started = r.started;
        aborted.lastedMs = 9'000;
        aborted.sitesIncluded = 4;
        aborted.abortReason = "DORLIQ passed the time limit for the initial data";
        QCOMPARE(summaryLine(aborted), QStringLiteral("started 2026-12-09 06:15:01, lasted 9 s, "
                                                      "aborted: DORLIQ passed the time limit for the initial data"));

        // A run starting as midnight passes is dated by one reading of the clock, not a day off.
        double t = 86399.9;
        const qint64 day0 = QDate(2026, 12, 9).toJulianDay();
        const auto tick = [&t] { return t += 0.2; }; // every reading takes a moment
        Clock::Override midnight({[&] { const double v = tick() - 0.2; return v >= 86400 ? v - 86400 : v; },
                                  {}, [&] { return tick() - 0.2 >= 86400 ? day0 + 1 : day0; }});
        AppState state;
        RunStatus status(state);
        status.begin();
        QCOMPARE(status.record().started.date(), QDate(2026, 12, 10));
        QVERIFY(status.record().started.time() < QTime(0, 0, 1));
        WorkFolder f;
        RunStatus learning(state, RunKind::Learning); // a learning run's log is its own
        learning.begin();
        learning.end();
        QCOMPARE(learning.record().abortReason, QStringLiteral("the run ended early, see mirrixlog.txt"));

        QCOMPARE(durationText(59'499), QStringLiteral("59 s"));
        QCOMPARE(durationText(60'000), QStringLiteral("1 min 00 s"));
        QCOMPARE(durationText(3'720'000), QStringLiteral("1 h 02 min"));
    }

    void theHistoryKeepsTheLastThousandLinesWithCrLf()
    {
        WorkFolder f;
        appendHistory("first run");
        QCOMPARE(WorkFolder::bytes("kesshistory.txt"), QByteArray("first run\r\n"));

        // An edited history with plain line feeds is read and written back with CR LF.
        QByteArray many;
        for (int i = 1; i <= 1000; ++i)
            many += "run " + QByteArray::number(i) + "\n";
        f.write("kesshistory.txt", many);
        appendHistory("run 1001");
        const QStringList lines = WorkFolder::lines("kesshistory.txt");
        QCOMPARE(lines.size(), 1000);
        QCOMPARE(lines.first(), QStringLiteral("run 2"));
        QCOMPARE(lines.last(), QStringLiteral("run 1001"));
        QCOMPARE(WorkFolder::bytes("kesshistory.txt").count("\r\n"), 1000);
        QCOMPARE(lastHistoryLine(), QStringLiteral("run 1001"));

        // A new window shows the last run of the history at once.
        MainWindow w;
        QCOMPARE(w.findChild<QLabel *>("lastRun")->text(), QStringLiteral("Last run: run 1001"));
    }

    void aRunShowsItsProgressAndThenItsSkippedSite()
    {
        QuickRun run({1, 1, 1}, {"dorliq.gfsmissing = KATL"});
        MainWindow &w = run.w;
        w.exmodchk->setChecked(true);
        auto *progress = w.findChild<QProgressBar *>("runProgress");
        auto *elapsed = w.findChild<QLabel *>("runElapsed");
        auto *lastRun = w.findChild<QLabel *>("lastRun");
        QVERIFY(progress && elapsed && lastRun);
        QVERIFY(!progress->isVisible());
        QVERIFY(lastRun->text().isEmpty());

        // What a forecaster sees each time the run moves on to a site.
        QStringList seen;
        QList<int> filled; // the bar fills as sites end
        QObject::connect(&w.forecastRun().status(), &RunStatus::movedOn, &w, [&] {
            seen << QStringLiteral("%1 | %2 | %3").arg(progress->isVisible()).arg(progress->text(), elapsed->text());
            filled << progress->value();
        });
        w.Command2->click();

        QCOMPARE(seen.size(), 3);
        QCOMPARE(filled, (QList<int>{0, 1, 2}));
        QVERIFY2(seen[0].startsWith("1 | site 1 of 3: KBOS Boston | elapsed "), qPrintable(seen[0]));
        QVERIFY2(seen[1].startsWith("1 | site 2 of 3: KATL Atlanta | elapsed "), qPrintable(seen[1]));
        QVERIFY2(seen[2].startsWith("1 | site 3 of 3: KSEA Seattle | elapsed "), qPrintable(seen[2]));
        QVERIFY(!progress->isVisible());

        const QRegularExpression line(
            "^Last run: started \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d, lasted \\d+ s, 2 of 3 sites forecast,\n"
            "skipped: KATL Atlanta \\(DORLIQ did not find the data this site needs\\)$");
        QVERIFY2(line.match(lastRun->text()).hasMatch(), qPrintable(lastRun->text()));
        // The history holds the same line, whole.
        const QString shown = lastRun->text().mid(QStringLiteral("Last run: ").size());
        QCOMPARE(WorkFolder::lines("kesshistory.txt"), QStringList{QString(shown).replace(",\n", ", ")});
        QVERIFY(WorkFolder::bytes("kesshistory.txt").endsWith("needs)\r\n"));
        // The run log keeps its own lines: the skipped site's reason, nothing of the summary.
        const QStringList log = WorkFolder::lines("kesslog.txt");
        QCOMPARE(log.filter("abandoned"), QStringList{"Site 2 abandoned: DORLIQ did not find the data this site needs"});
        QVERIFY(log.filter("started").isEmpty());
        QCOMPARE(log.last(), QStringLiteral("Got to 11"));
        QVERIFY(run.dialogs.shown().isEmpty());

        // A second run adds its own line below the first.
        w.exmodchk->setChecked(false);
        w.Command2->click();
        const QStringList history = WorkFolder::lines("kesshistory.txt");
        QCOMPARE(history.size(), 2);
        QVERIFY2(history[1].endsWith(", 3 of 3 sites forecast"), qPrintable(history[1]));
    }

    void anAbortedRunSaysWhy()
    {
        QuickRun run({1, 0, 1}, {"dorliq.timelimit = initial"});
        MainWindow &w = run.w;
        w.Command2->click();
        QCOMPARE(run.dialogs.shown().size(), 1); // the time-limit notice
        const QString last = w.findChild<QLabel *>("lastRun")->text();
        QVERIFY2(last.endsWith(",\naborted: DORLIQ passed the time limit for the initial data"), qPrintable(last));
        QVERIFY(!last.contains("sites forecast"));
        QCOMPARE(WorkFolder::lines("kesshistory.txt").size(), 1);
        QCOMPARE(WorkFolder::lines("kesslog.txt").last(), QStringLiteral("Got to 1.2"));

        // The record names every site; the history shows the two lost ones on top.
        const QList<QStringList> rows = parseCsv(WorkFolder::bytes("kessruns.csv"));
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[1].mid(7), (QStringList{"not reached", "DORLIQ passed the time limit for the initial data"}));
        QCOMPARE(rows[2].mid(7), (QStringList{"not in run", ""}));
        QTRY_VERIFY(!m_service.received.isEmpty() &&
                    m_service.received.last().contains(notice(" aborted, lost 2 sites", "Aborted: DORLIQ passed the time limit "
                                                              "for the initial data\nNot reached: KBOS Boston, KSEA Seattle")));
        w.auxWindows().showRunHistory();
        const QAbstractItemModel *cells = w.auxWindows().runHistory()->grid->model();
        QCOMPARE(cells->headerData(1, Qt::Vertical).toString(), QStringLiteral("! KSEA Seattle"));
        QCOMPARE(cells->index(1, 0).data().toString() + cells->index(2, 0).data().toString(), QStringLiteral("A-"));
    }
};

QTEST_MAIN(TestRunStatus)
#include "test_runstatus.moc"
