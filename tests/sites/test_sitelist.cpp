// Selecting sites stages their files; the run-list buttons as a user clicks them.
#include "widgets.h"
#include "core/dialogs.h"
#include "app/mainwindow.h"
#include "workfolder.h"

#include <QtTest>

using namespace kess;
using kess::test::showActive;
using kess::test::WorkFolder;

namespace {

QStringList entries(const MainWindow &w)
{
    QStringList out;
    for (int i = 0; i < w.List1->count(); ++i)
        out << w.List1->item(i)->text();
    return out;
}

void clickRow(MainWindow &w, int row)
{
    kess::test::clickRow(w.List1, row);
}

} // namespace

class TestSiteList : public QObject {
    Q_OBJECT
private slots:
    void selectingASiteStagesItsFiles()
    {
        WorkFolder f;
        f.makeSites({{"Boston", "KBOS"}, {"Atlanta", "KATL"}, {"Seattle", "KSEA"}}, {1, 1, 1});
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        w.show();
        clickRow(w, 1);
        QCOMPARE(w.state.selectedSiteNumber, 2);
        QCOMPARE(w.Label3->text(), QStringLiteral("KATL Atlanta"));
        for (const char *pair : {"c2.txt>custinit.txt", "w2.txt>vantmini.txt", "snowrec2.txt>snowrec.txt",
                                 "cor2.txt>cor.txt", "fdata2.txt>fdata.txt", "r2.txt>pelini.txt", "ecdata2.txt>ecdata.txt"}) {
            const QStringList p = QString::fromLatin1(pair).split('>');
            QCOMPARE(WorkFolder::bytes(p[1]), WorkFolder::bytes(p[0]));
        }
        QVERIFY(w.Command5->isEnabled() && w.Command6->isEnabled() && w.Command12->isEnabled());
        QVERIFY(w.Command8->isEnabled() && w.Command9->isEnabled());
        QVERIFY(!w.Command4->isEnabled());
        QVERIFY(dialogs.shown().isEmpty());
    }

    void focusAndArrowKeysSelectNothingEnterOrSpaceDo()
    {
        WorkFolder f;
        f.makeSites({{"Boston", "KBOS"}, {"Atlanta", "KATL"}}, {1, 1});
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        QVERIFY(showActive(w));
        w.List1->setFocus();
        QTRY_VERIFY(w.List1->hasFocus());
        QTest::keyClick(w.List1, Qt::Key_Down);
        QCOMPARE(w.state.selectedSiteNumber, 0);
        QCOMPARE(WorkFolder::bytes("custinit.txt"), WorkFolder::bytes("c0.txt"));
        QCOMPARE(WorkFolder::bytes("pelini.txt"), WorkFolder::bytes("r0.txt"));
        QCOMPARE(w.Label3->text(), QStringLiteral("GEN Generic"));
        QVERIFY(!w.Command8->isEnabled() && !w.Command9->isEnabled());

        const int row = w.List1->currentRow();
        QVERIFY(row >= 0);
        QTest::keyClick(w.List1, Qt::Key_Space);
        QCOMPARE(w.state.selectedSiteNumber, row + 1);
        QCOMPARE(WorkFolder::bytes("custinit.txt"), WorkFolder::bytes(QStringLiteral("c%1.txt").arg(row + 1)));
        QTest::keyClick(w.List1, row == 0 ? Qt::Key_Down : Qt::Key_Up);
        QTest::keyClick(w.List1, Qt::Key_Return);
        QCOMPARE(w.state.selectedSiteNumber, w.List1->currentRow() + 1);
        QCOMPARE(w.List1->selectedItems().size(), 1);
        QVERIFY(w.Command8->isEnabled());
        QVERIFY(dialogs.shown().isEmpty());
    }

    void clickingTheHighlightedSiteAgainStagesItAgain()
    {
        WorkFolder f;
        f.makeSites({{"Boston", "KBOS"}, {"Atlanta", "KATL"}}, {1, 1});
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        clickRow(w, 1);
        // As a run leaves it: the generic settings back in place, the open buttons off.
        copyFile("c0.txt", "custinit.txt");
        for (QPushButton *b : {w.Command5, w.Command6, w.Command12})
            b->setEnabled(false);
        clickRow(w, 1);
        QCOMPARE(WorkFolder::bytes("custinit.txt"), WorkFolder::bytes("c2.txt"));
        QVERIFY(w.Command5->isEnabled() && w.Command6->isEnabled() && w.Command12->isEnabled());
    }

    void withoutFdataFilesFdataIsNeverTouched()
    {
        WorkFolder f;
        f.makeSites({{"Boston", "KBOS"}, {"Atlanta", "KATL"}}, {1, 1}, /*fdata*/ false);
        f.write("fdata.txt", QStringList{"left alone"});
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        clickRow(w, 1);
        QCOMPARE(WorkFolder::lines("fdata.txt"), QStringList{"left alone"});
        QCOMPARE(WorkFolder::bytes("ecdata.txt"), WorkFolder::bytes("ecdata2.txt"));
    }

    void siteTenUsesItsOwnNumberAndAMissingFileIsNamedOnce()
    {
        WorkFolder f;
        QList<QPair<QString, QString>> sites;
        for (int i = 1; i <= 10; ++i)
            sites.append({QStringLiteral("Town%1").arg(i), QStringLiteral("K%1").arg(i)});
        f.makeSites(sites, {});
        f.write("c010.txt", WorkFolder::siteSettings("Wrong", "XXX"));
        QFile::remove("cor10.txt");
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        clickRow(w, 9);
        QCOMPARE(w.Label3->text(), QStringLiteral("K10 Town10"));
        QCOMPARE(WorkFolder::bytes("custinit.txt"), WorkFolder::bytes("c10.txt"));
        // The copies after the missing one still take place ...
        QCOMPARE(WorkFolder::bytes("pelini.txt"), WorkFolder::bytes("r10.txt"));
        QCOMPARE(WorkFolder::bytes("ecdata.txt"), WorkFolder::bytes("ecdata10.txt"));
        // ... and one notice names the file that could not be copied.
        QCOMPARE(dialogs.shown().size(), 1);
        QVERIFY(dialogs.shown().first().contains("cor10.txt"));
    }

    void includeAndOmitAsTheUserClicks()
    {
        WorkFolder f;
        f.makeSites({{"Boston", "KBOS"}, {"Atlanta", "KATL"}, {"Seattle", "KSEA"}}, {1, 1, 1});
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        w.show();
        clickRow(w, 1);
        QFile::remove("custinit.txt");
        QTest::mouseClick(w.Command9, Qt::LeftButton);
        QCOMPARE(entries(w), (QStringList{"+ 1 KBOS Boston", "- 2 KATL Atlanta", "+ 3 KSEA Seattle"}));
        QCOMPARE(w.List1->currentRow(), 1);
        QCOMPARE(w.state.runListFlags[2], 0);
        QCOMPARE(WorkFolder::bytes("custinit.txt"), WorkFolder::bytes("c2.txt")); // staged once more
        QVERIFY(!w.Command8->isEnabled());
        QVERIFY(!w.Command9->isEnabled());

        clickRow(w, 2);
        QTest::mouseClick(w.Command9, Qt::LeftButton);
        clickRow(w, 1);
        QTest::mouseClick(w.Command8, Qt::LeftButton);
        QCOMPARE(entries(w), (QStringList{"+ 1 KBOS Boston", "+ 2 KATL Atlanta", "- 3 KSEA Seattle"}));

        QTest::mouseClick(w.Command19, Qt::LeftButton);
        QCOMPARE(entries(w), (QStringList{"- 1 KBOS Boston", "- 2 KATL Atlanta", "- 3 KSEA Seattle"}));
        QCOMPARE(w.List1->currentRow(), -1);
        QTest::mouseClick(w.Command18, Qt::LeftButton);
        QCOMPARE(entries(w), (QStringList{"+ 1 KBOS Boston", "+ 2 KATL Atlanta", "+ 3 KSEA Seattle"}));
        QCOMPARE(w.List1->currentRow(), -1);
        QCOMPARE(w.state.selectedSiteNumber, 2); // kept, although nothing is shown selected
        QVERIFY(dialogs.shown().isEmpty());
    }
};

QTEST_MAIN(TestSiteList)
#include "test_sitelist.moc"
