// "Start DST" and "End DST" over every site's saved settings, through the real window.
#include "widgets.h"
#include "app/mainwindow.h"
#include "core/dialogs.h"
#include "files/records.h"
#include "settings/dst.h"
#include "sitesfixture.h"

#include <QtTest>

using namespace kess;
using kess::test::showActive;
using kess::test::WorkFolder;
using kess::test::clickRow;

namespace {

const SettingsFile kFiles[] = {SettingsFile::Custinit, SettingsFile::Vantmini, SettingsFile::Pelini};

// Every file of the folder and its bytes.
QMap<QString, QByteArray> snapshot()
{
    QMap<QString, QByteArray> files;
    for (const QString &name : QDir().entryList(QDir::Files))
        files[name] = WorkFolder::bytes(name);
    return files;
}

struct Window {
    explicit Window(int sites)
    {
        test::makeFullSites(folder, QList<int>(sites, 1));
        w.startUp();
        QVERIFY(showActive(w));
    }
    void select(int site) { clickRow(w.List1, site - 1); }
    WorkFolder folder;
    Dialogs::Script dialogs;
    MainWindow w;
};

} // namespace

class TestDst : public QObject {
    Q_OBJECT
private slots:
    void startEndAndEndAgainChangeOnlyTheDstItems()
    {
        Window t(3);
        MainWindow &w = t.w;
        // Short copies keep their length; a number keeps the form it was written in.
        test::writeSettings(SettingsFile::Custinit, 2, 73);
        test::writeSettings(SettingsFile::Vantmini, 1, 100);
        test::writeSettings(SettingsFile::Pelini, 2, 10);
        QStringList r3 = WorkFolder::lines("r3.txt");
        r3[1] = "\"two, with comma\",.5,1.50,4,5,6,7,8,9,10";
        t.folder.write("r3.txt", r3);
        t.select(1);
        const QMap<QString, QByteArray> before = snapshot();
        const double minutes = w.state.minutesAfterTheHour;
        const QString folderBefore = w.state.workingFolder;

        for (int dst : {1, 0, 0}) {
            (dst ? w.Command14 : w.Command15)->click();
            QCOMPARE(w.Label11->text(), QString());
            QCOMPARE(w.Label3->text(), QStringLiteral("(Click on a site to select it)"));
            QCOMPARE(w.Label16->text(), QStringLiteral("Click on a site to enable these:"));
            QVERIFY(!w.Command5->isEnabled() && !w.Command6->isEnabled() && !w.Command12->isEnabled());
            for (int n = 0; n <= 3; ++n) {
                for (SettingsFile file : kFiles) {
                    const SettingsLayout &layout = settingsLayout(file);
                    const QString name = layout.savedName(n);
                    const QStringList was = QString::fromLatin1(before[name]).split("\r\n");
                    const QStringList now = WorkFolder::lines(name);
                    QCOMPARE(now.size(), was.size() - 1); // the split leaves one empty string
                    const int dstLine = file == SettingsFile::Custinit ? 13 : file == SettingsFile::Vantmini ? 10 : 1;
                    for (int l = 0; l < now.size(); ++l) {
                        if (l + 1 != dstLine) {
                            QVERIFY2(now[l] == was[l], qPrintable(name + " line " + QString::number(l + 1)));
                        } else if (file == SettingsFile::Pelini) {
                            QStringList items = was[l].split(',');
                            items[2] = QString::number(dst);
                            QCOMPARE(now[l], items.join(','));
                        } else {
                            QCOMPARE(now[l], QString::number(dst));
                        }
                    }
                }
            }
            QCOMPARE(WorkFolder::bytes("vantmini.txt"), WorkFolder::bytes("w3.txt"));
            QCOMPARE(WorkFolder::bytes("pelini.txt"), WorkFolder::bytes("r3.txt"));
            QCOMPARE(WorkFolder::bytes("custinit.txt"), before["custinit.txt"]);
            QCOMPARE(QDir().entryList({"*temp.txt"}), QStringList{});
        }
        QVERIFY(t.dialogs.shown().isEmpty());
        // The application's minutes and PELTHOR values are not the last site's.
        QCOMPARE(w.state.minutesAfterTheHour, minutes);
        QCOMPARE(w.state.workingFolder, folderBefore);
        w.Command3->click();
        QCOMPARE(WorkFolder::lines("kessinit.txt").value(24), printForm(minutes));
    }

    void aMissingOrShortFileChangesNoFile()
    {
        Window t(3);
        QFile::remove("w2.txt");
        test::writeSettings(SettingsFile::Custinit, 3, 50);
        const QMap<QString, QByteArray> before = snapshot();
        t.w.Command14->click();
        QCOMPARE(t.dialogs.shown().size(), 1);
        const QString message = t.dialogs.shown().first();
        QVERIFY2(message.contains("w2.txt") && message.contains("c3.txt") && message.contains("line 51"),
                 qPrintable(message));
        QCOMPARE(snapshot(), before);
        QCOMPARE(t.w.Label11->text(), QString());
    }

    void refusedDuringARun()
    {
        Window t(2);
        t.select(1);
        const QMap<QString, QByteArray> before = snapshot();
        RunGate::Hold run(t.w.runGate);
        t.w.Command15->click();
        QCOMPARE(t.dialogs.shown().size(), 1);
        QVERIFY(t.dialogs.shown().first().startsWith("A forecast or learning run is already under way."));
        QCOMPARE(snapshot(), before);
        QVERIFY(t.w.Command5->isEnabled());
        QCOMPARE(t.w.Label11->text(), QString());
    }
};

QTEST_MAIN(TestDst)
#include "test_dst.moc"
