// Start-up: the window restored from the files of the working folder, whatever state they are in.
#include "core/dialogs.h"
#include "core/textcolour.h"
#include "app/mainwindow.h"
#include "app/shutdown.h"
#include "app/emptyfolder.h"
#include "run/forecastrun.h"
#include "workfolder.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace kess;
using kess::test::WorkFolder;

namespace {

QStringList settings39()
{
    QStringList l;
    for (int h = 0; h < 24; ++h)
        l << (h == 6 || h == 18 ? QStringLiteral(" 1 ") : QStringLiteral(" 0 "));
    l << " 30 " << "True" << " 1 " << "/opt/irfan" << "/srv/png" << " 1 " << "/home/me/after run.sh"
      << " 1 " << " 0 " << " 7 " << " 1 " << " 1 " << " 1 " << " 18 " << " 5 ";
    return l;
}

QStringList entries(const MainWindow &w)
{
    QStringList out;
    for (int i = 0; i < w.List1->count(); ++i)
        out << w.List1->item(i)->text();
    return out;
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void restoresEveryControlFromAFullFolder()
    {
        WorkFolder f;
        f.makeSites({{"Boston+", "KBOS"}, {"Atlanta", "KATL"}, {"Seattle", "KSEA"}}, {1, 0, 1});
        f.write("kessinit.txt", settings39());
        f.write("mxrunlist.txt", QStringList{"0", "1", "0"});
        f.write("custinit.txt", WorkFolder::siteSettings("Denver+", "KDEN"));
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();

        QVERIFY(dialogs.shown().isEmpty());
        QCOMPARE(w.state.siteCount, 3);
        QCOMPARE(entries(w), (QStringList{"+ 1 KBOS Boston", "- 2 KATL Atlanta", "+ 3 KSEA Seattle"}));
        QCOMPARE(w.Label3->text(), QStringLiteral("KDEN Denver"));
        QCOMPARE(w.state.selectedSiteNumber, 0);
        QVERIFY(!w.Command4->isEnabled());
        QVERIFY(!w.Command8->isEnabled());

        for (int h = 0; h < 24; ++h) {
            QCOMPARE(w.tm[h]->isChecked(), h == 6 || h == 18);
            QCOMPARE(w.state.hourFlags[h], h == 6 || h == 18 ? 1 : 0);
        }
        QCOMPARE(w.minscrl->value(), 30);
        QCOMPARE(w.mintx->text(), QStringLiteral("30"));
        QCOMPARE(w.state.minutesAfterTheHour, 30.0);
        QCOMPARE(w.offon->text(), QStringLiteral("Scheduler ON"));
        QCOMPARE(w.offon->palette().color(QPalette::WindowText), readableOn(QColor(0, 140, 0), w.palette().color(QPalette::Window)));
        QCOMPARE(w.Command1->text().remove(u'&'), QStringLiteral("Deactivate scheduler"));
        QVERIFY(w.Timer2->isActive());
        QVERIFY(w.bmppng->isChecked());
        QCOMPARE(w.ivtx->text(), QStringLiteral("/opt/irfan"));
        QCOMPARE(w.pngtar->text(), QStringLiteral("/srv/png"));
        QVERIFY(w.exbat->isChecked());
        QCOMPARE(w.exbattx->text(), QStringLiteral("/home/me/after run.sh"));
        QVERIFY(w.exmodchk->isChecked());
        QVERIFY(!w.locchk->isChecked());
        QCOMPARE(w.mintowaittx->text(), QStringLiteral("7"));
        QVERIFY(w.boothr->isChecked());
        QVERIFY(w.usedefst->isChecked());
        QVERIFY(w.skipmsg->isChecked());
        // The restored ticks ran their handlers, which write their files.
        QCOMPARE(WorkFolder::bytes("lasthr.txt"), QByteArray("1\r\n"));
        QCOMPARE(WorkFolder::bytes("defseat.txt"), QByteArray("1\r\n"));

        QCOMPARE(w.state.learningSitesPresent, 1);
        QCOMPARE(w.state.learningListLength, 3);
        QVERIFY(w.Timer3->isActive());
        QCOMPARE(w.Label18->text(), QStringLiteral("Mirrix scheduled for 6:05 PM"));
        QVERIFY(!w.Timer1->isActive());

        QCOMPARE(w.state.workingFolder, f.folderText());
        QCOMPARE(w.state.pelthorValueAfterFolder1.text, QStringLiteral("6"));
    }

    void anOlderShortSettingsFileLeavesTheLaterOptionsAtTheirDefaults()
    {
        WorkFolder f;
        f.makeSites({{"Boston", "KBOS"}}, {1});
        f.write("kessinit.txt", settings39().mid(0, 26));
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        QCOMPARE(w.mintowaittx->text(), QStringLiteral("5"));
        QVERIFY(!w.bmppng->isChecked());
        QVERIFY(!w.boothr->isChecked());
        QCOMPARE(w.ivtx->text(), QString());
        QVERIFY(w.tm[6]->isChecked());
        QCOMPARE(w.offon->text(), QStringLiteral("Scheduler ON"));
        QVERIFY(!w.Timer3->isActive());
        QCOMPARE(w.Label18->text(), QString());
    }

    void aBadValueLosesOnlyItselfAndCloseKeepsTheRest()
    {
        WorkFolder f;
        f.makeSites({{"Boston", "KBOS"}}, {1});
        QStringList saved = settings39();
        saved[3] = "x";   // hour 3
        saved[26] = " 2 "; // convert BMP to PNG
        saved[31] = "maybe"; // skip when the external model is missing
        f.write("kessinit.txt", saved);
        for (const char *flag : {"vantroopen.txt", "dorliqopen.txt", "pelthoropen.txt"})
            f.write(QLatin1String(flag), QStringList{"0"});
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        QVERIFY(!w.tm[3]->isChecked());
        QVERIFY(w.tm[6]->isChecked() && w.tm[18]->isChecked());
        QCOMPARE(w.offon->text(), QStringLiteral("Scheduler ON"));
        QVERIFY(!w.bmppng->isChecked());
        QCOMPARE(w.ivtx->text(), QStringLiteral("/opt/irfan"));
        QCOMPARE(w.pngtar->text(), QStringLiteral("/srv/png"));
        QVERIFY(w.exbat->isChecked());
        QCOMPARE(w.exbattx->text(), QStringLiteral("/home/me/after run.sh"));
        QVERIFY(!w.exmodchk->isChecked());
        QCOMPARE(w.mintowaittx->text(), QStringLiteral("7"));
        QVERIFY(w.boothr->isChecked());

        dialogs.answer(true); // end although the scheduler is on
        QVERIFY(w.shutdown().close());
        const QStringList written = WorkFolder::lines("kessinit.txt");
        QCOMPARE(written.size(), 39);
        QCOMPARE(written[26], QStringLiteral(" 0 "));
        QCOMPARE(written.mid(27, 4), (QStringList{"/opt/irfan", "/srv/png", " 1 ", "/home/me/after run.sh"}));
        QCOMPARE(written.mid(32, 7), (QStringList{" 0 ", " 7 ", " 1 ", " 1 ", " 1 ", " 18 ", " 5 "}));
    }

    void probesTellOnlyAboutTheMissingFamily()
    {
        WorkFolder f;
        f.makeSites({{"Boston", "KBOS"}}, {1}, /*fdata*/ false, /*ecdata*/ true);
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        QCOMPARE(dialogs.shown(),
                 QStringList{"No fdata.txt files (OK, but without them all VANTRO-Lite effect would be based on primary site)"});
        QCOMPARE(w.state.noFdataFiles, 1);
        QCOMPARE(w.state.noEcdataFiles, 0);
    }

    void schedulerSavedOnWithoutHoursAndLearningWithSchedulerOff()
    {
        WorkFolder f;
        f.makeSites({{"Boston", "KBOS"}}, {1});
        QStringList s = settings39();
        for (int h = 0; h < 24; ++h)
            s[h] = " 0 ";
        f.write("kessinit.txt", s);
        f.write("mxrunlist.txt", QStringList{"1"});
        {
            MainWindow w;
            w.startUp();
            QCOMPARE(w.offon->text(), QStringLiteral("Scheduler ON"));
            QCOMPARE(w.Command1->text().remove(u'&'), QStringLiteral("Deactivate scheduler"));
            QVERIFY(w.Timer2->isActive());
        }
        s[25] = "False";
        f.write("kessinit.txt", s);
        MainWindow w;
        w.startUp();
        QCOMPARE(w.state.learningSitesPresent, 1); // the list is read ...
        QVERIFY(!w.Timer3->isActive());            // ... but nothing is scheduled
        QCOMPARE(w.Label18->text(), QString());
        QCOMPARE(w.offon->text(), QStringLiteral("Scheduler OFF"));
        QCOMPARE(w.offon->palette().color(QPalette::WindowText), QColor(140, 0, 0));
    }

    void listMarksAndMissingSiteFiles()
    {
        WorkFolder f;
        f.makeSites({{"Boston", "KBOS"}, {"Atlanta", "KATL"}, {"Seattle", "KSEA"}}, {1, 2, 0});
        QFile::remove("c2.txt");
        MainWindow w;
        w.startUp();
        QCOMPARE(entries(w), (QStringList{"+ 1 KBOS Boston", " 2  ", "- 3 KSEA Seattle"}));
    }

    void aNewEmptyFolderGivesTheDefaultsAndSaysWhatItNeeds()
    {
        WorkFolder f;
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        w.show();
        QVERIFY(dialogs.shown().isEmpty()); // no box about optional files in a folder without sites
        QVERIFY(w.emptyFolderPanel->isVisible());
        QVERIFY(!w.List1->isVisible());
        // A run there is refused in words; it leaves no log, no record and no notification.
        w.Command2->click();
        QCOMPARE(dialogs.shown(), QStringList{ForecastRun::noSitesNotice()});
        QVERIFY(!WorkFolder::exists("kesslog.txt") && !WorkFolder::exists("kessruns.csv"));
        QCOMPARE(w.state.siteCount, 0);
        QCOMPARE(w.List1->count(), 0);
        QCOMPARE(w.minscrl->value(), 0);
        QCOMPARE(w.mintx->text(), QStringLiteral("0"));
        QCOMPARE(w.offon->text(), QStringLiteral("Scheduler OFF"));
        QVERIFY(!w.Timer2->isActive());
        QCOMPARE(w.state.workingFolder, QStringLiteral("c:\\vantro\\"));
        QCOMPARE(w.Label3->text(), QStringLiteral("(none yet)"));
    }

    void aWorkingFolderWithoutItsSeparatorGetsOne()
    {
        WorkFolder f;
        QStringList pel = WorkFolder::pelthorSettings("c:\\data");
        f.write("pelini.txt", pel);
        MainWindow w;
        w.startUp();
        QCOMPARE(w.state.workingFolder, QStringLiteral("c:\\data\\"));
        pel[11] = "\"/srv/forecasts\"";
        f.write("pelini.txt", pel);
        MainWindow again;
        again.startUp();
#ifdef Q_OS_WIN
        QCOMPARE(again.state.workingFolder, QStringLiteral("/srv/forecasts\\")); // Windows adds its own separator
#else
        QCOMPARE(again.state.workingFolder, QStringLiteral("/srv/forecasts/"));
#endif
        f.write("pelini.txt", pel.mid(0, 11));
        MainWindow shortFile;
        shortFile.startUp();
        QCOMPARE(shortFile.state.workingFolder, QStringLiteral("c:\\vantro\\"));
    }

    void minutesTheScrollBarCannotShowAreKept()
    {
        WorkFolder f;
        QStringList s = settings39();
        s[24] = " 75 ";
        f.write("kessinit.txt", s);
        MainWindow w;
        w.startUp();
        QCOMPARE(w.state.minutesAfterTheHour, 75.0);
        QCOMPARE(w.mintx->text(), QStringLiteral("75"));
        QVERIFY(w.bmppng->isChecked()); // the rest of the options are still restored
        QCOMPARE(w.exbattx->text(), QStringLiteral("/home/me/after run.sh"));
    }

    void badFilesNeverStopStartUp()
    {
        WorkFolder f;
        QRandomGenerator rng(7);
        QByteArray garbage(4096, '\0');
        for (char &c : garbage)
            c = static_cast<char>(rng.bounded(256));
        const QByteArray longLine = QByteArray(1 << 20, '7') + "\r\n";
        const QList<QByteArray> contents{garbage, longLine, QByteArray("1\r\n0\r\n1"), QByteArray("\"unterminated"), QByteArray()};
        for (const QByteArray &bytes : contents) {
            for (const char *name : {"runlist.txt", "kessinit.txt", "mxrunlist.txt", "custinit.txt", "pelini.txt", "c1.txt",
                                     "c2.txt", "fdata1.txt"})
                f.write(QString::fromLatin1(name), bytes);
            Dialogs::Script dialogs;
            MainWindow w;
            w.startUp();
            QVERIFY(w.state.siteCount <= 99);
            QCOMPARE(w.List1->count(), w.state.siteCount);
        }
        // A run list of 150 values stops at site 99.
        QStringList many;
        for (int i = 0; i < 150; ++i)
            many << "1";
        f.write("runlist.txt", many);
        f.write("mxrunlist.txt", many);
        QStringList s = settings39();
        f.write("kessinit.txt", s);
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        QCOMPARE(w.state.siteCount, 99);
        QCOMPARE(w.List1->count(), 99);
        QCOMPARE(w.state.learningListLength, 99);
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
