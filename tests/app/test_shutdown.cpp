// Close: the companion check, the settings and run list saved, the generic settings put back.
#include "core/dialogs.h"
#include "app/mainwindow.h"
#include "sites/sitelist.h"
#include "app/shutdown.h"
#include "app/runtray.h"
#include "workfolder.h"

#include <QtTest>

using namespace kess;
using kess::test::WorkFolder;

namespace {
const QString kVantro = "Please close VANTRO using File/Exit before closing KESSAMIR.  Next time you click it, KESSAMIR will assume you have done so.";
const QString kDorliq = "Please close DORLIQ using its Close button before closing KESSAMIR.  Next time you click it, KESSAMIR will assume you have done so.";
} // namespace

class TestShutdown : public QObject {
    Q_OBJECT
private slots:
    void everySettingSurvivesCloseAndStartUp()
    {
        WorkFolder f;
        f.makeSites({{"Boston", "KBOS"}, {"Atlanta", "KATL"}, {"Seattle", "KSEA"}}, {1, 1, 1});
        Dialogs::Script dialogs;
        {
            MainWindow w;
            w.startUp();
            w.show();
            for (int h : {0, 7, 23})
                QTest::mouseClick(w.tm[h], Qt::LeftButton);
            w.mintx->setText("12.5");
            w.Command1->click();
            w.bmppng->click();
            w.ivtx->setText("C:\\Program Files\\IrfanView");
            w.pngtar->setText("/srv/png, charts");
            w.exbat->click();
            w.exbattx->setText("/home/me/after run.sh");
            w.exmodchk->click();
            w.locchk->click();
            w.mintowaittx->setText("12");
            w.boothr->click();
            w.usedefst->click();
            w.skipmsg->click();
            w.state.learningRunHour = 18;
            w.state.learningRunMinute = 5;
            w.siteList().siteClicked(1);
            w.Command9->click();
            dialogs.answer(true); // end although the scheduler is on
            QVERIFY(w.shutdown().close());
            QVERIFY(w.shutdown().ended());
            QVERIFY(!w.Timer2->isActive());
        }
        const QStringList saved = WorkFolder::lines("kessinit.txt");
        QCOMPARE(saved.size(), 39);
        QCOMPARE(saved[0], QStringLiteral(" 1 "));
        QCOMPARE(saved[1], QStringLiteral(" 0 "));
        QCOMPARE(saved[24], QStringLiteral(" 12.5 "));
        QCOMPARE(saved[25], QStringLiteral("True"));
        QCOMPARE(saved[27], QStringLiteral("C:\\Program Files\\IrfanView"));
        QCOMPARE(WorkFolder::lines("runlist.txt"), (QStringList{" 1 ", " 0 ", " 1 "}));
        QVERIFY(WorkFolder::bytes("kessinit.txt").endsWith("\r\n"));
        QCOMPARE(WorkFolder::bytes("imcode.txt"), QByteArray("0\r\n"));
        QCOMPARE(WorkFolder::bytes("custinit.txt"), WorkFolder::bytes("c0.txt"));
        QCOMPARE(WorkFolder::bytes("vantmini.txt"), WorkFolder::bytes("w0.txt"));

        MainWindow w;
        w.startUp();
        for (int h = 0; h < 24; ++h)
            QCOMPARE(w.tm[h]->isChecked(), h == 0 || h == 7 || h == 23);
        QCOMPARE(w.state.minutesAfterTheHour, 12.5);
        QCOMPARE(w.state.schedulerOn, true);
        QVERIFY(w.Timer2->isActive());
        QVERIFY(w.bmppng->isChecked());
        QCOMPARE(w.ivtx->text(), QStringLiteral("C:\\Program Files\\IrfanView"));
        QCOMPARE(w.pngtar->text(), QStringLiteral("/srv/png, charts"));
        QVERIFY(w.exbat->isChecked());
        QCOMPARE(w.exbattx->text(), QStringLiteral("/home/me/after run.sh"));
        QVERIFY(w.exmodchk->isChecked());
        QVERIFY(w.locchk->isChecked());
        QCOMPARE(w.mintowaittx->text(), QStringLiteral("12"));
        QVERIFY(w.boothr->isChecked());
        QVERIFY(w.usedefst->isChecked());
        QVERIFY(w.skipmsg->isChecked());
        QCOMPARE(w.state.learningRunHour, 18);
        QCOMPARE(w.state.learningRunMinute, 5);
        QCOMPARE(w.List1->item(1)->text(), QStringLiteral("- 2 KATL Atlanta"));
        QCOMPARE(w.state.runListFlags[3], 1);
    }

    void companionsStillOpenHoldCloseBackOnce()
    {
        WorkFolder f;
        f.makeSites({{"Boston", "KBOS"}}, {1});
        f.write("vantroopen.txt", QStringList{"1"});
        f.write("dorliqopen.txt", QStringList{"1"});
        f.write("pelthoropen.txt", QStringList{"0"});
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        QVERIFY(!w.shutdown().close());
        QVERIFY(!w.shutdown().close());
        QVERIFY(!w.shutdown().close());
        QCOMPARE(dialogs.shown(), (QStringList{kVantro, kDorliq, kVantro}));
        QVERIFY(!WorkFolder::exists("kessinit.txt"));
        QVERIFY(w.shutdown().close());
        QVERIFY(WorkFolder::exists("kessinit.txt"));
        QCOMPARE(w.state.vantroCloseWarningGiven, 0);
        QCOMPARE(w.state.dorliqCloseWarningGiven, 0);
    }

    void closeWaitsForARunToFinish()
    {
        WorkFolder f;
        f.makeSites({{"Boston", "KBOS"}}, {1});
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        {
            RunGate::Hold run(w.runGate);
            QVERIFY(!w.shutdown().close());
            QCOMPARE(dialogs.shown().size(), 1);
            QVERIFY(dialogs.shown().first().startsWith("A forecast or learning run is under way."));
            QVERIFY(!WorkFolder::exists("kessinit.txt"));
        }
        QVERIFY(w.shutdown().close());
    }

    void missingFlagsAndGenericFilesDoNotStopClose()
    {
        WorkFolder f;
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        dialogs.takeShown();
        QVERIFY(w.shutdown().close());
        QVERIFY(dialogs.shown().isEmpty());
        QCOMPARE(WorkFolder::lines("kessinit.txt").size(), 39);
        QVERIFY(WorkFolder::exists("runlist.txt"));
        QCOMPARE(WorkFolder::bytes("runlist.txt"), QByteArray()); // no sites, no lines
    }

    void settingsThatCannotBeSavedAreNeverLostSilently()
    {
        WorkFolder f;
        f.makeSites({{"Boston", "KBOS"}}, {1});
        QDir().mkdir("kessinit.txt"); // stands in for a file that cannot be replaced
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        dialogs.answer(false);
        QVERIFY(!w.shutdown().close());
        QCOMPARE(dialogs.shown().size(), 1);
        QVERIFY(dialogs.shown().first().startsWith("KESSAMIR could not save kessinit.txt"));
        QVERIFY(!w.shutdown().ended());
        dialogs.answer(true);
        QVERIFY(w.shutdown().close());
        QVERIFY(w.shutdown().ended());
    }

    void closingThroughTheFrameAsksAndSavesNothing()
    {
        WorkFolder f;
        f.makeSites({{"Boston", "KBOS"}}, {1});
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        w.show();
        dialogs.answer(false);
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        QCOMPARE(dialogs.askedDefaultNo(), dialogs.shown()); // Enter alone keeps the window

        // With the scheduler on and a tray, the window goes to the tray and the schedule goes on.
        RunTray::AssumeTray tray(true);
        w.tm[6]->click();
        w.Command1->click();
        QVERIFY(!w.close());
        QVERIFY(!w.isVisible());
        QVERIFY(w.Timer2->isActive());
        QCOMPARE(dialogs.shown().size(), 1);
        w.show(); // Close (and the tray's Quit) says when the next run would have been; No keeps running
        dialogs.answer(false);
        QVERIFY(!w.shutdown().close());
        QCOMPARE(dialogs.askedDefaultNo().size(), 2);
        QVERIFY2(dialogs.shown().last().contains(QRegularExpression("next scheduled run is due (tomorrow )?06:\\d\\d")),
                 qPrintable(dialogs.shown().last()));
        w.runTray().keepInTrayAction()->setChecked(false); // without the setting the frame asks again
        dialogs.answer(true);
        QVERIFY(w.close());
        w.runTray().keepInTrayAction()->setChecked(true);
        QVERIFY(!WorkFolder::exists("kessinit.txt"));
    }
};

QTEST_MAIN(TestShutdown)
#include "test_shutdown.moc"
