// "Set up mirrix.exe for all sites" and the "Mirrix setup" window, driven as a user would.
#include "learningfolder.h"

#include "scheduler/schedulerpanel.h"

using namespace kess;
using namespace kess::test;

namespace {

const QString kNoList = QStringLiteral(
    "You do not yet have a list of sites to be used with mirrix.exe.  If you use personal weather stations with at "
    "least some of the sites, and wish to set up use of mirrix.exe with at least some of these, click 'Yes' and a "
    "file (mxrunlist.txt) will be created, by copying the list (runlist.txt) of sites for which you are currently "
    "making forecasts.  If you will not be using mirrix.exe with any of your sites, click 'No'.");
const QString kNoSettings = QStringLiteral(
    "It appears you do not yet have site-specific files of the form a#.txt for use with mirrix.exe.  Would you like "
    "to create them now? 'Yes' is advised, unless you do not have mirrix.exe installed, in which case you must reply "
    "'No'.)?");
const QString kCloseMirrix = QStringLiteral(
    "Please close mirrix.exe using its Exit button before clicking this button.  Next time you click it, KESSAMIR "
    "will assume you have done so.");

// A started main window over a prepared folder, with scripted dialogs.
struct Desk {
    Desk(int sites, const QList<int> &learningFlags, bool withSettings = true)
    {
        makeLearningFolder(folder, sites, learningFlags, withSettings);
        w.startUp();
        QVERIFY(showActive(w));
    }
    // Presses "Set up mirrix.exe for all sites" and returns the window it opened (or null).
    MirrixSetup *openSetup()
    {
        QTest::mouseClick(w.Command20, Qt::LeftButton);
        MirrixSetup *m = w.learningRun().setupWindow();
        if (m)
            (void)QTest::qWaitForWindowActive(m);
        return m;
    }
    WorkFolder folder;
    Dialogs::Script dialogs;
    MainWindow w;
};

} // namespace

class TestMirrixSetup : public QObject {
    Q_OBJECT
private slots:
    void missingFilesAreOfferedThenTheWindowOpensOnce()
    {
        Desk d(12, {});
        QVERIFY(!WorkFolder::exists("mxrunlist.txt"));
        QFile::remove("a0.txt");

        d.dialogs.answer(false);
        QVERIFY(!d.openSetup());
        QCOMPARE(d.dialogs.takeShown(), QStringList{kNoList});
        QVERIFY(!WorkFolder::exists("mxrunlist.txt"));

        d.dialogs.answer(true);
        QVERIFY(!d.openSetup()); // made, but the window waits for the next press
        QCOMPARE(d.dialogs.takeShown(),
                 (QStringList{kNoList, "mxrunlist.txt has been created.  Try clicking the 'Set up mirrix.exe for all "
                                       "sites' button again."}));
        QCOMPARE(WorkFolder::bytes("mxrunlist.txt"), WorkFolder::bytes("runlist.txt"));

        d.dialogs.answer(false);
        QVERIFY(!d.openSetup());
        QCOMPARE(d.dialogs.takeShown(),
                 (QStringList{kNoSettings, "Aborting opening of mirrix form because a0.txt does not exist."}));
        QVERIFY(!WorkFolder::exists("a0.txt"));

        d.dialogs.answer(true);
        MirrixSetup *m = d.openSetup();
        QVERIFY(m);
        QCOMPARE(d.dialogs.takeShown(), (QStringList{kNoSettings, "a0.txt through a12.txt have been created."}));
        for (int n = 0; n <= 12; ++n)
            QCOMPARE(WorkFolder::bytes(QStringLiteral("a%1.txt").arg(n)), WorkFolder::bytes("mxrninit.txt"));
        QVERIFY(!WorkFolder::exists("a13.txt"));
        QVERIFY(m->isVisible() && !m->isModal());
        QCOMPARE(m->windowTitle(), QStringLiteral("Mirrix setup"));
        QCOMPARE(m->objectName(), QStringLiteral("mxrnset"));
        QCOMPARE(m->listmxrn->count(), 12);

        // The main window stays usable, and a second press brings back the same window.
        d.w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d.w));
        QCOMPARE(d.openSetup(), m);
        QCOMPARE(d.w.findChildren<MirrixSetup *>().size(), 1);
        QVERIFY(d.dialogs.shown().isEmpty());
        QCOMPARE(d.dialogs.unexpected(), 0);
    }

    void settingsThatCannotBeCopiedAreNotReportedAsMade()
    {
        Desk d(3, {1, 1, 1}, false);
        QFile::remove("mxrninit.txt");
        d.dialogs.answer(true);
        QVERIFY(!d.openSetup());
        const QStringList shown = d.dialogs.takeShown();
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown[1].startsWith("Error occurred: number53, last file number = 20, last file name = a0.txt"),
                 qPrintable(shown[1]));
        QVERIFY(!WorkFolder::exists("a0.txt"));
    }

    // A list of 5 lines on a system of 8 sites, a flag of 2 and a name that ends with "+".
    void theListAndItsMarks()
    {
        Desk d(8, {1, 0, 2, 1, 0});
        d.folder.write("c3.txt", WorkFolder::siteSettings("Seattle+", "KSEA"));
        d.w.Timer3->start(); // as when the learning run was scheduled
        MirrixSetup *m = d.openSetup();
        QVERIFY(m);
        QVERIFY(!d.w.Timer3->isActive());
        QCOMPARE(d.w.Label18->text(), QStringLiteral("Mirrix not scheduled"));
        QCOMPARE(textColour(d.w.Label18), shownOn(d.w.Label18, QColor(140, 0, 0)));

        QCOMPARE(listLines(m->listmxrn),
                 (QStringList{"+ 1 KBOS Boston", "- 2 KATL Atlanta", " 3 KSEA Seattle", "+ 4 KMIA Miami",
                              "- 5 KDEN Denver"}));
        QCOMPARE(m->Label16->text(), QStringLiteral("Click on a site to enable this:"));
        QVERIFY(m->listmxrn->isEnabled() && m->Command2->isEnabled() && m->Command4->isEnabled() &&
                m->Command13->isEnabled() && m->Command18->isEnabled() && m->Command19->isEnabled());
        QVERIFY(!m->Command8->isEnabled() && !m->Command9->isEnabled());
        QVERIFY(m->mxhrtxt->isReadOnly() && m->mxmintxt->isReadOnly());
        QCOMPARE(m->mxhrscrl->maximum(), 23);
        QCOMPARE(m->mxminscrl->maximum(), 59);
        QCOMPARE(m->mxtime->parent(), m->Frame1);
        QVERIFY(WorkFolder::exists("mxrninit.txt"));
        QCOMPARE(WorkFolder::bytes("mxrninit.txt"), QByteArray("\"generic learning settings\"\r\n"));

        // The list taking the focus, or the arrow keys, put nothing in place.
        m->listmxrn->setFocus();
        QTest::keyClick(m->listmxrn, Qt::Key_Down);
        QCOMPARE(WorkFolder::bytes("mxrninit.txt"), QByteArray("\"generic learning settings\"\r\n"));

        // A click puts the site's learning settings in place at once, also a click on the site
        // already highlighted (something else may have replaced the working file since).
        clickRow(m->listmxrn, 3);
        QCOMPARE(d.w.state.selectedSiteNumber, 4);
        QCOMPARE(m->Label3->text(), QStringLiteral("KMIA Miami"));
        QCOMPARE(WorkFolder::bytes("mxrninit.txt"), WorkFolder::bytes("a4.txt"));
        d.folder.write("mxrninit.txt", QStringList{"another site's settings"});
        clickRow(m->listmxrn, 3);
        QCOMPARE(WorkFolder::bytes("mxrninit.txt"), WorkFolder::bytes("a4.txt"));
        QVERIFY(m->Command8->isEnabled() && m->Command9->isEnabled());
        QVERIFY(m->Label16->text().isEmpty());

        // Omit rebuilds all 8 sites: the flag of 2 now shows "+", the sites not read are bare.
        clickRow(m->listmxrn, 0);
        QTest::mouseClick(m->Command9, Qt::LeftButton);
        QCOMPARE(listLines(m->listmxrn),
                 (QStringList{"- 1 KBOS Boston", "- 2 KATL Atlanta", "+ 3 KSEA Seattle", "+ 4 KMIA Miami",
                              "- 5 KDEN Denver", "- 6  ", "- 7  ", "- 8  "}));
        QCOMPARE(m->listmxrn->currentRow(), 0);
        QVERIFY(!m->Command8->isEnabled() && !m->Command9->isEnabled());
        QVERIFY(m->Command4->isEnabled()); // Omit leaves the save buttons

        clickRow(m->listmxrn, 1);
        QTest::mouseClick(m->Command8, Qt::LeftButton);
        QCOMPARE(m->listmxrn->item(1)->text(), QStringLiteral("+ 2 KATL Atlanta"));
        QVERIFY(!m->Command4->isEnabled() && !m->Command13->isEnabled());
        QCOMPARE(WorkFolder::bytes("mxrninit.txt"), WorkFolder::bytes("a2.txt"));

        QTest::mouseClick(m->Command18, Qt::LeftButton);
        QCOMPARE(m->listmxrn->count(), 8);
        for (const QString &line : listLines(m->listmxrn))
            QVERIFY2(line.startsWith("+ "), qPrintable(line));
        QCOMPARE(m->listmxrn->currentRow(), -1);
        QCOMPARE(d.w.state.learningIncludeFlags[8], 1);

        // OK writes the 5 lines that were read, and releases the window.
        QPointer<MirrixSetup> gone(m);
        QTest::mouseClick(m->Command1, Qt::LeftButton);
        QTRY_VERIFY(gone.isNull());
        QCOMPARE(WorkFolder::bytes("mxrunlist.txt"), QByteArray(" 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n"));
        QCOMPARE(d.w.state.learningSitesPresent, 1);

        // Omit all: nothing present any more.
        m = d.openSetup();
        QVERIFY(m);
        QTest::mouseClick(m->Command19, Qt::LeftButton);
        QTest::mouseClick(m->Command1, Qt::LeftButton);
        QCOMPARE(WorkFolder::bytes("mxrunlist.txt"), QByteArray(" 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n"));
        QCOMPARE(d.w.state.learningSitesPresent, 0);
        QVERIFY(d.dialogs.shown().isEmpty());
    }

    void theTimeAndOK_data()
    {
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<bool>("schedulerOn");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("scheduled");
        QTest::newRow("6:05 PM, scheduler on") << 18 << 5 << true << "6:05 PM" << true;
        QTest::newRow("6:05 PM, scheduler off") << 18 << 5 << false << "6:05 PM" << false;
        QTest::newRow("12:30 PM") << 12 << 30 << true << "12:30 PM" << true;
        QTest::newRow("midnight") << 0 << 0 << true
                                  << "Cannot run at midnight.  This also serves to disable the routine." << false;
    }

    void theTimeAndOK()
    {
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(bool, schedulerOn);
        QFETCH(QString, shown);
        QFETCH(bool, scheduled);
        Desk d(3, {1, 0, 1});
        if (schedulerOn) {
            QTest::mouseClick(d.w.tm[20], Qt::LeftButton);
            QTest::mouseClick(d.w.Command1, Qt::LeftButton);
            QVERIFY(d.w.state.schedulerOn);
        }
        MirrixSetup *m = d.openSetup();
        QVERIFY(m);
        QCOMPARE(m->mxtime->text(), QStringLiteral("Cannot run at midnight.  This also serves to disable the routine."));
        m->mxhrscrl->setValue(hour);
        m->mxminscrl->setValue(minute);
        QCOMPARE(m->mxhrtxt->text(), QString::number(hour));
        QCOMPARE(m->mxmintxt->text(), QString::number(minute));
        QCOMPARE(m->mxtime->text(), shown);
        QCOMPARE(textColour(m->mxtime), shownOn(m->mxtime, hour == 0 && minute == 0 ? QColor(140, 0, 0) : QColor(0, 140, 0)));

        QTest::mouseClick(m->Command1, Qt::LeftButton);
        QCOMPARE(d.w.state.learningRunHour, hour);
        QCOMPARE(d.w.state.learningRunMinute, minute);
        QCOMPARE(d.w.Timer3->isActive(), scheduled);
        QCOMPARE(d.w.Label18->text(),
                 scheduled ? QStringLiteral("Mirrix scheduled for ") + shown : QStringLiteral("Mirrix not scheduled"));
        QCOMPARE(textColour(d.w.Label18), shownOn(d.w.Label18, scheduled ? QColor(0, 140, 0) : QColor(140, 0, 0)));

        // The next opening starts from the time kept.
        m = d.openSetup();
        QCOMPARE(m->mxhrscrl->value(), hour);
        QCOMPARE(m->mxminscrl->value(), minute);
        QCOMPARE(m->mxtime->text(), shown);
        m->close();
        QVERIFY(!d.w.Timer3->isActive()); // closed without OK: not scheduled
    }

    // Open mirrix.exe on a site's settings (the stand-in adds a line as a user's change), then save
    // them back: site 1 also to a0.txt, site 4 only to a4.txt.
    void saveSettingsForSiteOneAndSiteFour()
    {
        Desk d(4, {1, 1, 1, 1});
        QVERIFY(installStandins());
        d.folder.write("standins.txt", QStringList{"settings.delay = 0.2", "mirrix.edit = \"changed by the user\""});
        d.folder.write("imcode.txt", QStringList{"7"});
        MirrixSetup *m = d.openSetup();
        QVERIFY(m);

        // Not while a run owns "imcode.txt".
        {
            RunGate::Hold run(d.w.runGate);
            clickRow(m->listmxrn, 0);
            QTest::mouseClick(m->Command2, Qt::LeftButton);
            QCOMPARE(d.dialogs.takeShown(), QStringList{"A forecast or learning run is under way.  Open mirrix.exe "
                                                        "once it has finished."});
            QCOMPARE(WorkFolder::bytes("imcode.txt"), QByteArray("7\r\n"));
            QVERIFY(m->listmxrn->isEnabled() && m->Command2->isEnabled());
            QVERIFY(!WorkFolder::exists("standins.log"));
        }

        for (int site : {1, 4}) {
            const QByteArray a0 = WorkFolder::bytes("a0.txt");
            clickRow(m->listmxrn, site - 1);
            QTest::mouseClick(m->Command2, Qt::LeftButton);
            QCOMPARE(WorkFolder::bytes("imcode.txt"), QByteArray("0\r\n"));
            QCOMPARE(d.w.state.companionOpenedForSettings, 1);
            QVERIFY(!m->listmxrn->isEnabled() && !m->Command2->isEnabled() && !m->Command8->isEnabled());
            QVERIFY(m->Command4->isEnabled() && m->Command13->isEnabled());
            QVERIFY(lastStartEnded(d.w));

            QTest::mouseClick(m->Command4, Qt::LeftButton);
            const QByteArray saved = WorkFolder::bytes(QStringLiteral("a%1.txt").arg(site));
            QCOMPARE(saved, learningSettingsOf(site).toUtf8() + "\r\n\"changed by the user\"\r\n");
            QCOMPARE(WorkFolder::bytes("a0.txt"), site == 1 ? saved : a0);
            QVERIFY(!m->Command4->isEnabled() && !m->Command13->isEnabled());
            QVERIFY(m->Command2->isEnabled() && m->listmxrn->isEnabled());
        }
        QCOMPARE(WorkFolder::bytes("a2.txt"), learningSettingsOf(2).toUtf8() + "\r\n");
        QVERIFY(d.dialogs.shown().isEmpty());
    }

    // While mirrix.exe says it is open, the first press only asks for it to be closed; the next
    // press goes through. "Don't save" copies nothing back.
    void mirrixStillOpenAndDontSave()
    {
        Desk d(4, {1, 1, 1, 1});
        MirrixSetup *m = d.openSetup();
        QVERIFY(m);
        clickRow(m->listmxrn, 2);
        d.folder.write("mxrninit.txt", QStringList{"\"edited\""});
        d.folder.write("mirrixopen.txt", QStringList{"1"});

        QTest::mouseClick(m->Command4, Qt::LeftButton);
        QCOMPARE(d.dialogs.takeShown(), QStringList{kCloseMirrix});
        QCOMPARE(WorkFolder::bytes("a3.txt"), learningSettingsOf(3).toUtf8() + "\r\n");
        QVERIFY(m->Command4->isEnabled());
        QTest::mouseClick(m->Command13, Qt::LeftButton); // taken as closed now
        QVERIFY(d.dialogs.takeShown().isEmpty());
        QVERIFY(!m->Command4->isEnabled() && !m->Command13->isEnabled());
        QCOMPARE(WorkFolder::bytes("a3.txt"), learningSettingsOf(3).toUtf8() + "\r\n");
        QCOMPARE(d.w.state.mirrixCloseWarningGiven, 0);

        // A Save pressed before any site was clicked here saves nothing into a site's file.
        m->close();
        m = d.openSetup();
        d.w.state.selectedSiteNumber = 2;
        d.folder.write("mirrixopen.txt", QStringList{"0"});
        QTest::mouseClick(m->Command4, Qt::LeftButton);
        QCOMPARE(d.dialogs.takeShown().size(), 1);
        QCOMPARE(WorkFolder::bytes("a2.txt"), learningSettingsOf(2).toUtf8() + "\r\n");
    }

    // While a learning run works on "mxrninit.txt", a click shows the site but copies nothing and
    // Save is refused; after it Save wants a fresh click. Opening mirrix.exe first asks about
    // unsaved settings of a companion opened from the main window.
    void theWindowDuringALearningRunAndUnsavedEdits()
    {
        Desk d(3, {1, 1, 1});
        RunTimingOverride timing{quickRunTiming()};
        QVERIFY(installStandins());
        d.folder.write("standins.txt", QStringList{"delay = 0.4", "settings.delay = 0.05"});
        MirrixSetup *m = d.openSetup();
        QVERIFY(m);
        QByteArray during;
        QTimer::singleShot(200, m, [&] {
            clickRow(m->listmxrn, 1);
            QTest::mouseClick(m->Command4, Qt::LeftButton);
            during = WorkFolder::bytes("mxrninit.txt");
        });
        d.w.runLearning();
        QCOMPARE(during, learningSettingsOf(1).toUtf8() + "\r\n");
        QCOMPARE(m->Label3->text(), QStringLiteral("KATL Atlanta"));
        QCOMPARE(d.dialogs.takeShown().size(), 2);
        QTest::mouseClick(m->Command4, Qt::LeftButton);
        QCOMPARE(d.dialogs.takeShown().size(), 1);
        QCOMPARE(WorkFolder::bytes("a2.txt"), learningSettingsOf(2).toUtf8() + "\r\n");

        d.w.state.companionOpenedForSettings = 3;
        d.w.Command4->setEnabled(true);
        d.dialogs.answer(false);
        QTest::mouseClick(m->Command2, Qt::LeftButton);
        QCOMPARE(d.dialogs.takeShown().size(), 1);
        QVERIFY(!d.w.Command4->isEnabled());
        QVERIFY(lastStartEnded(d.w));

        // Escape with a changed mark asks before it drops it.
        QTest::mouseClick(m->Command19, Qt::LeftButton);
        d.dialogs.answer(false);
        QTest::keyClick(m, Qt::Key_Escape);
        QCOMPARE(d.dialogs.takeShown().size(), 1);
        QVERIFY(m->isVisible());
    }
};

QTEST_MAIN(TestMirrixSetup)
#include "test_mirrixsetup.moc"
