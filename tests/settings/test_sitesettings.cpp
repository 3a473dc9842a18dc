// Opening a companion as the selected site, Save (with and without the generic data merge),
// Don't save and the unsaved-settings question, driven through the real window with the real
// stand-in companions.
#include "widgets.h"
#include "app/mainwindow.h"
#include "app/shutdown.h"
#include "companions/companionopen.h"
#include "companions/launcher.h"
#include "core/dialogs.h"
#include "files/records.h"
#include "run/forecastrun.h"
#include "settings/sitesettings.h"
#include "sites/sitelist.h"
#include "sitesfixture.h"
#include "standins.h"

#include <QtTest>

using namespace kess;
using kess::test::showActive;
using kess::test::WorkFolder;
using kess::test::clickRow;

namespace {

const QString kMergeQuestion = QStringLiteral(
    "You have saved settings for the selected site, and are about to save generic settings for all sites maked "
    "with a '+'.  Do you wish to proceed?");
const QString kUnsaved = QStringLiteral(
    "You opened VANTRO, DORLIQ, or PELTHOR in preference setting mode, but didn't save the settings.  Would you "
    "like to do so now?");

// The site's own items of each file, as lines ("68-73") or items of a line ("2:8,10").
const QMap<SettingsFile, QString> kOwnItems{
    {SettingsFile::Custinit, "1:1 2:8,10 68-73 78-79 81-82 86 92-104 107-108 110 112:1 114-116"},
    {SettingsFile::Vantmini, "1-2 4 15 36 39-44 46 82-83 86 96 98-113"},
    {SettingsFile::Pelini, "9-12 15"},
};

bool ownItem(SettingsFile file, int line, int item)
{
    for (const QString &part : kOwnItems[file].split(' ')) {
        const QStringList lineAndItems = part.split(':');
        const QStringList range = lineAndItems[0].split('-');
        if (line < range.first().toInt() || line > range.last().toInt())
            continue;
        return lineAndItems.size() == 1 || lineAndItems[1].split(',').contains(QString::number(item));
    }
    return false;
}

QString itemText(const Item &it) { return it.quoted ? '"' + it.text + '"' : it.text; }

struct Window {
    explicit Window(const QList<int> &flags, const QStringList &standinSettings = {})
    {
        test::makeFullSites(folder, flags);
        QVERIFY(test::installStandins());
        for (const char *flag : {"vantroopen.txt", "dorliqopen.txt", "pelthoropen.txt"})
            folder.write(QLatin1String(flag), QStringList{"0"});
        folder.write("standins.txt", QStringList{"delay = 0.05", "settings.delay = 0.05"} + standinSettings);
        w.startUp();
        QVERIFY(showActive(w));
    }
    ~Window() { QVERIFY(!processAlive(w.state.lastLaunchTaskId)); }

    void select(int site) { clickRow(w.List1, site - 1); }
    // Clicks an open button and waits until the stand-in has closed through its own exit.
    void openAndClose(QPushButton *button)
    {
        button->click();
        QTRY_VERIFY_WITH_TIMEOUT(!processAlive(w.state.lastLaunchTaskId), 10000);
    }
    bool inOpenState() const
    {
        return w.Command4->isEnabled() && w.Command13->isEnabled() && !w.List1->isEnabled() &&
               !w.Command5->isEnabled() && !w.Command6->isEnabled() && !w.Command12->isEnabled();
    }

    RunTimingOverride timing{kess::test::quickRunTiming()};
    WorkFolder folder;
    Dialogs::Script dialogs;
    MainWindow w;
};

SettingsFile fileOf(int companion)
{
    return companion == 1 ? SettingsFile::Custinit : companion == 2 ? SettingsFile::Vantmini : SettingsFile::Pelini;
}

} // namespace

class TestSiteSettings : public QObject {
    Q_OBJECT
private slots:
    void openingAndSavingForOneSite()
    {
        Window t({1, 1, 1});
        MainWindow &w = t.w;
        QCOMPARE(w.Command4->text(), QStringLiteral("Save settings for:"));
        t.select(1);
        t.folder.write("imcode.txt", QStringList{"0"});
        t.openAndClose(w.Command6);
        QCOMPARE(WorkFolder::bytes("imcode.txt"), QByteArray("9\r\n"));
        QCOMPARE(w.Command4->text(), QStringLiteral("Save DORLIQ settings for:"));
        QCOMPARE(w.Label12->text(), QStringLiteral("Choose either 'Save ...' or 'Don't Save'"));
        QVERIFY(t.inOpenState());
        QVERIFY(!w.Command8->isEnabled() && !w.Command9->isEnabled());
        w.Command13->click(); // Don't save: nothing copied
        QVERIFY(!w.Command4->isEnabled() && !w.Command13->isEnabled() && w.List1->isEnabled());
        QVERIFY(w.Command5->isEnabled() && w.Label12->text().isEmpty());

        // VANTRO for site 1: its three files, each also as the site-0 copy.
        t.openAndClose(w.Command5);
        QCOMPARE(w.Command4->text(), QStringLiteral("Save VANTRO settings for:"));
        t.folder.write("custinit.txt", formatSettings(settingsLayout(SettingsFile::Custinit),
                                                      test::linesFor(SettingsFile::Custinit, 9)));
        t.folder.write("snowrec.txt", QStringList{"new snow"});
        t.folder.write("ecdata.txt", QStringList{"new ecdata"});
        const QByteArray c2 = WorkFolder::bytes("c2.txt");
        w.Command4->click();
        for (const char *pair : {"custinit.txt>c1.txt", "custinit.txt>c0.txt", "snowrec.txt>snowrec1.txt",
                                 "snowrec.txt>snowrec0.txt", "ecdata.txt>ecdata1.txt", "ecdata.txt>ecdata0.txt"}) {
            const QStringList p = QString::fromLatin1(pair).split('>');
            QCOMPARE(WorkFolder::bytes(p[1]), WorkFolder::bytes(p[0]));
        }
        QCOMPARE(WorkFolder::bytes("c2.txt"), c2);
        QVERIFY(!w.Command4->isEnabled() && !w.Command13->isEnabled() && w.List1->isEnabled());
        QVERIFY(w.Command5->isEnabled() && w.Label11->text().isEmpty());
        QCOMPARE(w.Command4->text(), QStringLiteral("Save VANTRO settings for:")); // keeps the last caption

        // PELTHOR for site 2: no mode code, the bias question, only site-2 files.
        t.select(2);
        t.folder.write("imcode.txt", QStringList{"0"});
        t.openAndClose(w.Command12);
        QCOMPARE(WorkFolder::bytes("imcode.txt"), QByteArray("0\r\n"));
        t.folder.write("cor.txt", QStringList{"1,2,3,4"});
        const QByteArray r0 = WorkFolder::bytes("r0.txt");
        t.dialogs.answer(true);
        w.Command4->click();
        QCOMPARE(WorkFolder::bytes("r2.txt"), WorkFolder::bytes("pelini.txt"));
        QCOMPARE(WorkFolder::bytes("cor2.txt"), QByteArray("1,2,3,4\r\n"));
        QCOMPARE(WorkFolder::bytes("r0.txt"), r0);
        QCOMPARE(t.dialogs.shown().size(), 1);
        QVERIFY(t.dialogs.shown().first().startsWith("If you are using a home weather station"));
        QCOMPARE(t.dialogs.unexpected(), 0);
    }

    void theMergeSpreadsGenericItemsToMarkedSites_data()
    {
        QTest::addColumn<int>("companion");
        QTest::newRow("VANTRO") << 1;
        QTest::newRow("DORLIQ") << 2;
        QTest::newRow("PELTHOR") << 3;
    }
    void theMergeSpreadsGenericItemsToMarkedSites()
    {
        QFETCH(int, companion);
        const SettingsFile file = fileOf(companion);
        const SettingsLayout &layout = settingsLayout(file);
        Window t({1, 0, 1, 1});
        MainWindow &w = t.w;
        // Site 3 has only the fixed part; the selected site 2 is not marked.
        test::writeSettings(file, 3, layout.fixedLines());
        const QByteArray site2Before = WorkFolder::bytes(layout.savedName(2));
        const double minutes = w.state.minutesAfterTheHour;
        t.select(2);
        t.openAndClose(companion == 1 ? w.Command5 : companion == 2 ? w.Command6 : w.Command12);
        // What the user changed: every generic value, as if it were site 9's.
        t.folder.write(layout.workingName(), formatSettings(layout, test::linesFor(file, 9)));
        const QByteArray saved = WorkFolder::bytes(layout.workingName());
        w.Option2->setChecked(true);
        if (companion == 3)
            t.dialogs.answer(false); // no bias corrections
        t.dialogs.answer(true);
        w.Command4->click();
        QVERIFY(t.dialogs.shown().contains(kMergeQuestion));
        QCOMPARE(t.dialogs.unexpected(), 0);

        QCOMPARE(WorkFolder::bytes(layout.savedName(2)), saved);
        QVERIFY(WorkFolder::bytes(layout.savedName(2)) != site2Before);
        for (int site : {1, 3, 4}) {
            const SettingsLines merged = test::readBack(file, layout.savedName(site));
            QCOMPARE(merged.size(), layout.lineCount());
            for (int l = 1; l <= layout.lineCount(); ++l) {
                for (int i = 1; i <= layout.itemsOn(l); ++i) {
                    const bool own = ownItem(file, l, i) && !(site == 3 && l > layout.fixedLines());
                    const Item expected = test::itemFor(file, own ? site : 9, l, i);
                    QVERIFY2(itemText(merged[l - 1][i - 1]) == itemText(expected),
                             qPrintable(QStringLiteral("site %1 line %2 item %3: %4, expected %5")
                                            .arg(site).arg(l).arg(i)
                                            .arg(itemText(merged[l - 1][i - 1]), itemText(expected))));
                }
            }
        }
        if (companion == 1)
            QCOMPARE(WorkFolder::bytes("custinit.txt"), saved);
        else
            QCOMPARE(WorkFolder::bytes(layout.workingName()), WorkFolder::bytes(layout.savedName(4)));
        if (companion == 3)
            QCOMPARE(w.state.workingFolder, withSeparator(QDir::currentPath() + "/s9/"));
        QCOMPARE(w.state.minutesAfterTheHour, minutes);
        QCOMPARE(QDir().entryList({"*temp.txt"}), QStringList{});
    }

    void noMergeWithoutYesAndNothingWhenAMarkedFileIsBad()
    {
        Window t({1, 1, 1});
        MainWindow &w = t.w;
        const QByteArray c1 = WorkFolder::bytes("c1.txt"), c3 = WorkFolder::bytes("c3.txt");
        t.select(2);
        t.openAndClose(w.Command5);
        t.folder.write("custinit.txt", formatSettings(settingsLayout(SettingsFile::Custinit),
                                                      test::linesFor(SettingsFile::Custinit, 9)));
        w.Option2->setChecked(true);
        t.dialogs.answer(false);
        w.Command4->click();
        QCOMPARE(t.dialogs.takeShown(), QStringList{kMergeQuestion});
        QCOMPARE(WorkFolder::bytes("c2.txt"), WorkFolder::bytes("custinit.txt"));
        QCOMPARE(WorkFolder::bytes("c1.txt"), c1);
        QCOMPARE(WorkFolder::bytes("c3.txt"), c3);

        // A marked site's file too short and another missing: one message, no file changed.
        t.select(2);
        t.openAndClose(w.Command5);
        test::writeSettings(SettingsFile::Custinit, 3, 50);
        QFile::remove("c1.txt");
        t.folder.write("custinit.txt", QStringList{"changed"});
        const QByteArray c2 = WorkFolder::bytes("c2.txt"), snow2 = WorkFolder::bytes("snowrec2.txt");
        w.Command4->click();
        const QStringList shown = t.dialogs.takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains("c1.txt") && shown.first().contains("c3.txt") &&
                     shown.first().contains("line 51"), qPrintable(shown.first()));
        QCOMPARE(WorkFolder::bytes("c2.txt"), c2);
        QCOMPARE(WorkFolder::bytes("snowrec2.txt"), snow2);
        QVERIFY(!QFile::exists("c1.txt"));
        QVERIFY(t.inOpenState()); // the user can choose "selected site only" and save again
        QCOMPARE(w.Label12->text(), QStringLiteral("Choose either 'Save ...' or 'Don't Save'"));

        w.Option1->setChecked(true);
        w.Command4->click();
        QCOMPARE(WorkFolder::bytes("c2.txt"), QByteArray("changed\r\n"));
        QVERIFY(t.dialogs.shown().isEmpty()); // no merge question with "selected site only"
    }

    void theOpenFlagsHoldUpSaveAndDontSaveOncePerProgram()
    {
        Window t({1, 1});
        MainWindow &w = t.w;
        t.select(1);
        t.openAndClose(w.Command5);
        t.folder.write("vantroopen.txt", QStringList{"1"});
        t.folder.write("dorliqopen.txt", QStringList{"1"});
        const QByteArray c1 = WorkFolder::bytes("c1.txt");
        t.folder.write("custinit.txt", QStringList{"changed"});
        for (const char *expected : {"Please close VANTRO", "Please close DORLIQ", "Please close VANTRO"}) {
            w.Command4->click();
            const QStringList shown = t.dialogs.takeShown();
            QCOMPARE(shown.size(), 1);
            QVERIFY2(shown.first().startsWith(expected) && shown.first().contains("before saving any changes"),
                     qPrintable(shown.first()));
            QCOMPARE(WorkFolder::bytes("c1.txt"), c1);
            QVERIFY(t.inOpenState());
        }
        w.Command4->click();
        QVERIFY(t.dialogs.shown().isEmpty());
        QCOMPARE(WorkFolder::bytes("c1.txt"), QByteArray("changed\r\n"));

        t.select(1);
        t.openAndClose(w.Command6);
        t.folder.write("vantroopen.txt", QStringList{"0"});
        t.folder.write("dorliqopen.txt", QStringList{"1"});
        w.Command13->click();
        QVERIFY(t.dialogs.takeShown().first().startsWith("Please close DORLIQ using its Close button before clicking"));
        QVERIFY(t.inOpenState());
        w.Command13->click();
        QVERIFY(t.dialogs.shown().isEmpty());
        QVERIFY(w.List1->isEnabled() && !w.Command4->isEnabled());
    }

    void theUnsavedSettingsQuestionFromEachCaller()
    {
        Window t({1, 1});
        MainWindow &w = t.w;
        // Each caller, answered No then Yes.
        const QList<std::pair<const char *, std::function<void()>>> callers{
            {"scheduler", [&] { w.Command1->click(); }},
            {"include", [&] { w.siteList().includeInRun(); }},
            {"include all", [&] { w.Command18->click(); }},
            {"omit all", [&] { w.Command19->click(); }},
        };
        for (const auto &[name, press] : callers) {
            for (bool yes : {false, true}) {
                t.select(2);
                t.openAndClose(w.Command5);
                const QString changed = QStringLiteral("%1 %2").arg(name).arg(yes);
                t.folder.write("custinit.txt", QStringList{changed});
                t.dialogs.answer(yes);
                press();
                QVERIFY2(t.dialogs.takeShown() == QStringList{kUnsaved}, name);
                QVERIFY(!w.Command4->isEnabled());
                if (yes) {
                    QCOMPARE(WorkFolder::lines("c2.txt"), QStringList{changed});
                    QVERIFY(w.Command5->isEnabled() && !w.Command13->isEnabled());
                } else {
                    QVERIFY(!WorkFolder::lines("c2.txt").contains(changed));
                    QVERIFY(w.Command13->isEnabled());
                    press(); // asks nothing now that Save is off
                    QVERIFY(t.dialogs.shown().isEmpty());
                    w.Command13->click();
                }
                if (w.Command1->text().remove(u'&') != QStringLiteral("Activate scheduler"))
                    w.Command1->click(); // back off
            }
        }
        // Close, after its own check of the open flags; Yes saves before the program ends.
        t.select(2);
        t.openAndClose(w.Command5);
        t.folder.write("custinit.txt", QStringList{"at close"});
        t.dialogs.answer(true);
        w.Command3->click();
        QCOMPARE(t.dialogs.takeShown(), QStringList{kUnsaved});
        QCOMPARE(WorkFolder::lines("c2.txt"), QStringList{"at close"});
        QVERIFY(w.shutdown().ended());
    }

    void aRunThatStartsDuringTheMergeQuestionDoesNotChangeWhatIsSpread()
    {
        Window t({1, 0, 1});
        MainWindow &w = t.w;
        t.select(2);
        t.openAndClose(w.Command5);
        const SettingsLayout &layout = settingsLayout(SettingsFile::Custinit);
        t.folder.write("custinit.txt", formatSettings(layout, test::linesFor(SettingsFile::Custinit, 9)));
        w.Option2->setChecked(true);
        // The scheduled run starts while the question is on screen, then the user says Yes.
        Dialogs::Script outer;
        QStringList asked;
        Dialogs::install({[](const QString &) {},
                          [&](const QString &text) {
                              asked << text;
                              w.forecastRun().run();
                              return true;
                          },
                          [](const QString &) {},
                          {}});
        w.Command4->click();
        QCOMPARE(asked, QStringList{kMergeQuestion});
        QCOMPARE(WorkFolder::lines("kesslog.txt").last(), QStringLiteral("Got to 11"));
        QCOMPARE(WorkFolder::bytes("custinit.txt"), WorkFolder::bytes("c0.txt")); // the run put site 0 back
        for (int site : {1, 3}) {
            const SettingsLines merged = test::readBack(SettingsFile::Custinit, layout.savedName(site));
            QCOMPARE(merged[2][0].text, test::itemFor(SettingsFile::Custinit, 9, 3, 1).text);
            QCOMPARE(merged[69][0].text, test::itemFor(SettingsFile::Custinit, site, 70, 1).text);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!processAlive(w.state.lastLaunchTaskId), 10000);
    }

    void openChangeSaveAndMergeWithTheRealStandIn()
    {
        // VANTRO's stand-in changes a generic item (line 3) and a site item (line 70) and exits.
        Window t({1, 1, 0}, {"vantro.change = 3:1=4242; 70:1=777"});
        MainWindow &w = t.w;
        const QByteArray c3 = WorkFolder::bytes("c3.txt");
        t.select(1);
        w.Command5->click();
        QTRY_VERIFY_WITH_TIMEOUT(WorkFolder::lines("standins.log").join('\n').contains("changed 3:1=4242"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!processAlive(w.state.lastLaunchTaskId), 10000);
        w.Option2->setChecked(true);
        t.dialogs.answer(true);
        w.Command4->click();
        QCOMPARE(t.dialogs.takeShown(), QStringList{kMergeQuestion});
        const SettingsLines c1 = test::readBack(SettingsFile::Custinit, "c1.txt");
        const SettingsLines c2 = test::readBack(SettingsFile::Custinit, "c2.txt");
        QCOMPARE(c1[2][0].text, QStringLiteral("4242"));
        QCOMPARE(c1[69][0].text, QStringLiteral("777"));
        QCOMPARE(c2[2][0].text, QStringLiteral("4242"));
        QCOMPARE(c2[69][0].text, QStringLiteral("207001"));
        QCOMPARE(c2[0][0].text, QStringLiteral("Site2"));
        QCOMPARE(c2[1][9].text, QStringLiteral("K2"));
        QCOMPARE(WorkFolder::bytes("c3.txt"), c3);
        QCOMPARE(WorkFolder::bytes("c0.txt"), WorkFolder::bytes("c1.txt"));
    }

    // Unsaved edits meet a run: a scheduled run asks nothing and Save afterwards still saves the
    // edit; "Run immediately" asks first and forecasts the site with what Yes saved.
    void aRunKeepsUnsavedSettings()
    {
        Window t({1}, {"vantro.change = 1:1=\"Harbor\""});
        MainWindow &w = t.w;
        t.select(1);
        t.openAndClose(w.Command5);
        w.forecastRun().run(RunStart::Scheduled);
        QCOMPARE(WorkFolder::lines("kesslog.txt").last(), QStringLiteral("Got to 11"));
        QCOMPARE(w.Label12->text(), QStringLiteral("Choose either 'Save ...' or 'Don't Save'"));
        QTRY_VERIFY_WITH_TIMEOUT(!processAlive(w.state.lastLaunchTaskId), 10000); // the run's PELTHOR
        w.Command4->click();
        QCOMPARE(t.dialogs.takeShown().join('\n'), QString());
        QCOMPARE(test::readBack(SettingsFile::Custinit, "c1.txt")[0][0].text, QStringLiteral("Harbor"));

        t.folder.write("standins.txt", QStringList{"delay = 0.05", "settings.delay = 0.05", "vantro.change = 1:1=\"Cove\""});
        t.select(1);
        t.openAndClose(w.Command5);
        t.dialogs.answer(true);
        w.Command2->click();
        QCOMPARE(t.dialogs.takeShown(), QStringList{kUnsaved});
        QVERIFY(WorkFolder::lines("plaintextK1.txt").join('\n').contains("Cove"));
        QCOMPARE(w.Label12->text(), QString());
        QTRY_VERIFY_WITH_TIMEOUT(!processAlive(w.state.lastLaunchTaskId), 10000);
    }
};

QTEST_MAIN(TestSiteSettings)
#include "test_sitesettings.moc"
