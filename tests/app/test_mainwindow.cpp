// The main window as the user first sees it, and the option handlers.
#include "core/dialogs.h"
#include "core/textcolour.h"
#include "app/mainwindow.h"
#include "workfolder.h"
#include "widgets.h"

#include <QScrollArea>
#include <QtTest>

using namespace kess;
using kess::test::showActive;
using kess::test::WorkFolder;

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void everyControlByNameWithCaptionAndState()
    {
        MainWindow w;
        QCOMPARE(w.windowTitle(), QStringLiteral("KESSAMIR - Multiple Site Automated Forecasting System - Version 3.0.1 - ")
                                      + QDir::toNativeSeparators(QDir::currentPath()));
        struct Expect {
            const char *name;
            QString caption;
            bool enabled;
        };
        const Expect buttons[] = {
            {"Command8", "Include in run", false}, {"Command9", "Omit from run", false},
            {"Command18", "Include all", true}, {"Command19", "Omit all", true},
            {"Command5", "Open VANTRO as selected site", true}, {"Command6", "Open DORLIQ as selected site", true},
            {"Command12", "Open PELTHOR as selected site", true}, {"Command4", "Save settings for:", false},
            {"Command13", "Don't save", false}, {"Command1", "Activate scheduler", true},
            {"Command2", "Run immediately", true}, {"Command7", "Show text of forecast", true},
            {"Command14", "Start DST", true}, {"Command15", "End DST", true},
            {"Command20", "Set up mirrix.exe for all sites", true}, {"Command21", "Run mirrix immediately", true},
            {"Command10", "Help", true}, {"Command11", "About KESSAMIR", true}, {"Command3", "Close", true},
            {"Command16", "vantro", true}, {"Command17", "dorliq", true},
        };
        for (const Expect &e : buttons) {
            auto *b = w.findChild<QPushButton *>(QLatin1String(e.name));
            QVERIFY2(b, e.name);
            QCOMPARE(b->text().remove(u'&'), e.caption); // a mnemonic is no part of the caption
            QCOMPARE(b->isEnabled(), e.enabled);
        }
        QVERIFY(w.Command16->isHidden());
        QVERIFY(w.Command17->isHidden());

        const std::pair<const char *, QString> labels[] = {
            {"Label6", "Available Sites:"}, {"Label15", "Select a site from the list to use the buttons below:"},
            {"Label4", "Selected site:"}, {"Label3", "(none yet)"}, {"Label16", ""}, {"Label11", ""}, {"Label12", ""},
            {"Label5", "Minutes after the hour"}, {"offon", "Scheduler OFF"}, {"Label18", ""},
            {"Label1", "Currently forecasting for:"}, {"Label2", "(none yet)"}, {"Label7", "Finished forecast for:"},
            {"Label8", "(none yet)"}, {"Label13", "Maximum time to wait for DORLIQ:"}, {"Label14", "minutes"},
            {"omlbl", "Skip VANTRO run if DORLIQ fails to find these data types:"},
            {"Label9", "Alternate target folder for PNG's (leave blank to send them to same folders as other data)"},
            {"Label10", "Change daylight saving time all programs, all sites:"},
            {"Label17", "For use with VANTRO 2017-2024"},
        };
        for (const auto &[name, caption] : labels) {
            auto *l = w.findChild<QLabel *>(QLatin1String(name));
            QVERIFY2(l, name);
            QCOMPARE(l->text(), caption);
        }
        QCOMPARE(w.Label3->palette().color(QPalette::WindowText), QColor(128, 0, 128));
        QCOMPARE(w.offon->palette().color(QPalette::WindowText), readableOn(QColor(255, 0, 0), w.palette().color(QPalette::Window)));

        const std::pair<const char *, QString> boxes[] = {
            {"exmodchk", "external model (GFS)"}, {"locchk", "local (home) station (if expected for site)"},
            {"boothr", "Boot VANTRO with whole hour if initializing with GFS"}, {"usedefst", "Use default water temps"},
            {"skipmsg", "Skip non-critical error messages"}, {"bmppng", "Convert BMP to PNG using IrfanView, at"},
            {"exbat", "Run this DOS batch file after forecasts are complete:"},
        };
        for (const auto &[name, caption] : boxes) {
            auto *c = w.findChild<QCheckBox *>(QLatin1String(name));
            QVERIFY2(c, name);
            QCOMPARE(c->text(), caption);
            QVERIFY(!c->isChecked());
        }
        const QStringList hours{"12 AM", "1 AM", "2 AM", "3 AM", "4 AM", "5 AM", "6 AM", "7 AM", "8 AM", "9 AM",
                                "10 AM", "11 AM", "12 PM", "1 PM", "2 PM", "3 PM", "4 PM", "5 PM", "6 PM", "7 PM",
                                "8 PM", "9 PM", "10 PM", "11 PM"};
        for (int h = 0; h < 24; ++h) {
            QCOMPARE(w.tm[h]->text(), hours[h]);
            QVERIFY(!w.tm[h]->isChecked());
        }
        QCOMPARE(w.findChild<QLineEdit *>("mintx")->text(), QStringLiteral("15"));
        QCOMPARE(w.findChild<QLineEdit *>("mintowaittx")->text(), QStringLiteral("5"));
        QCOMPARE(w.findChild<QLineEdit *>("ivtx")->text(), QStringLiteral("c:\\Program Files\\IrfanView"));
        QCOMPARE(w.findChild<QLineEdit *>("pngtar")->text(), QStringLiteral("c:\\skew-t"));
        QCOMPARE(w.findChild<QLineEdit *>("exbattx")->text(), QString());
        auto *scroll = w.findChild<QScrollBar *>("minscrl");
        QCOMPARE(scroll->minimum(), 0);
        QCOMPARE(scroll->maximum(), 59);
        QCOMPARE(scroll->value(), 15);
        QCOMPARE(scroll->pageStep(), 10);
        QVERIFY(w.findChild<QRadioButton *>("Option1")->isChecked());
        QCOMPARE(w.findChild<QRadioButton *>("Option1")->text(), QStringLiteral("selected site only "));
        QCOMPARE(w.findChild<QRadioButton *>("Option2")->text(),
                 QStringLiteral("selected site plus generic data for all sites with '+'"));
        for (const char *t : {"Timer1", "Timer2", "Timer3"}) {
            auto *timer = w.findChild<QTimer *>(QLatin1String(t));
            QVERIFY2(timer, t);
            QCOMPARE(timer->interval(), 3000);
            QVERIFY(!timer->isActive());
        }
    }

    void fitsALaptopScreenAtEveryFontSize()
    {
        // What a 1366x768 screen leaves after a panel and the title bar; CTest runs this at 125 %
        // scaling as well.
        const QFont original = QApplication::font();
        for (int points : {9, 10, 11}) {
            QFont font = original;
            font.setPointSize(points);
            QApplication::setFont(font);
            MainWindow w;
            w.resize(1280, 700);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QCOMPARE(w.size(), QSize(1280, 700));
            const QRect close(w.Command3->mapTo(&w, QPoint(0, 0)), w.Command3->size());
            QVERIFY2(w.rect().contains(close) && w.Command3->isVisible(), qPrintable(QString::number(points)));
            // Every group is as wide as it wants: nothing is scrolled out sideways.
            const QWidget *groups = w.findChild<QWidget *>("groups");
            QVERIFY2(!w.findChild<QScrollArea *>("groupsArea")->horizontalScrollBar()->isVisible(),
                     qPrintable(QStringLiteral("%1 pt: the groups need %2 px").arg(points).arg(groups->minimumSizeHint().width())));
        }
        QApplication::setFont(original);
    }

    void colouredLabelsReadOnLightAndDarkPalettes()
    {
        WorkFolder folder;
        Dialogs::Script dialogs;
        const QPalette light = QApplication::palette();
        QPalette grey(QColor(239, 239, 239)); // the usual light grey of a desktop theme
        grey.setColor(QPalette::WindowText, Qt::black);
        QPalette dark(QColor(53, 53, 53), QColor(45, 45, 45));
        dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
        auto everyLabelReads = [](MainWindow &w) {
            for (QLabel *l : w.findChildren<QLabel *>()) {
                const QPalette &p = l->palette();
                const double ratio = contrastRatio(p.color(QPalette::WindowText), p.color(QPalette::Window));
                QVERIFY2(ratio >= 4.5, qPrintable(l->objectName() + QStringLiteral(": ") + QString::number(ratio)));
            }
        };
        for (const QPalette &palette : {grey, dark}) {
            MainWindow w; // open when the palette changes: the labels follow the change
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QApplication::setPalette(palette);
            QCoreApplication::processEvents(); // the change reaches the widgets as events
            everyLabelReads(w);
        }
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.tm[6]->click();
        w.Command1->click(); // "Scheduler ON" in green
        everyLabelReads(w);
        w.Command1->click(); // "Scheduler OFF" and "Mirrix not scheduled" in red
        QCOMPARE(w.Label18->text(), QStringLiteral("Mirrix not scheduled"));
        everyLabelReads(w);
        QApplication::setPalette(light);
        QCoreApplication::processEvents();
        QCOMPARE(w.offon->palette().color(QPalette::WindowText), MainWindow::darkRed()); // as designed
    }

    void keyboardAndScreenReadersFindTheirWay()
    {
        WorkFolder folder;
        folder.makeSites({{"Boston", "KBOS"}}, {1});
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        QVERIFY(showActive(w));
        QCOMPARE(QApplication::focusWidget(), w.List1);
        // Every tab stop can be seen.
        for (int i = 0; i < 100; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget *at = QApplication::focusWidget();
            QVERIFY2(at && at->isVisible() && !qobject_cast<QScrollArea *>(at), at ? at->metaObject()->className() : "none");
        }
        // Mnemonics: no letter twice; the scheduler button and Run history have theirs.
        QMap<QChar, QString> keys;
        for (QPushButton *b : w.findChildren<QPushButton *>()) {
            const qsizetype at = b->text().indexOf(u'&');
            if (at < 0 || !b->isVisibleTo(&w))
                continue;
            const QChar key = b->text().at(at + 1).toLower();
            QVERIFY2(!keys.contains(key), qPrintable(keys.value(key) + " / " + b->text()));
            keys.insert(key, b->text());
        }
        QVERIFY(w.Command1->text().contains(u'&') && w.runHistoryButton->text().contains(u'&'));
        // Each text box is named by its own label.
        QSet<QString> names;
        for (QLineEdit *box : {w.mintx, w.mintowaittx, w.ivtx, w.pngtar, w.exbattx})
            names.insert(box->accessibleName());
        QVERIFY(names.size() == 5 && !names.contains(QString()));
    }

    void minutesFollowTheScrollBarButNotTheOtherWay()
    {
        MainWindow w;
        w.minscrl->setValue(59);
        QCOMPARE(w.mintx->text(), QStringLiteral("59"));
        QCOMPARE(w.state.minutesAfterTheHour, 59.0);
        w.mintx->clear();
        QTest::keyClicks(w.mintx, "75");
        QCOMPARE(w.state.minutesAfterTheHour, 75.0);
        QCOMPARE(w.minscrl->value(), 59);
        w.mintx->setText(QStringLiteral("12abc"));
        QCOMPARE(w.state.minutesAfterTheHour, 12.0);
        w.mintowaittx->setText(QStringLiteral("7.5"));
        QCOMPARE(w.state.dorliqWaitLimit, 7.5);
    }

    void optionBoxesRecordAndWriteTheirFiles()
    {
        WorkFolder folder;
        MainWindow w;
        w.boothr->click();
        QCOMPARE(w.state.bootWithWholeHour, 1);
        QCOMPARE(WorkFolder::bytes("lasthr.txt"), QByteArray("1\r\n"));
        w.boothr->click();
        QCOMPARE(WorkFolder::bytes("lasthr.txt"), QByteArray("0\r\n"));
        QCOMPARE(w.state.lastFileName, QStringLiteral("lasthr.txt"));
        QCOMPARE(w.state.lastFileNumber, 18);

        w.usedefst->click();
        QCOMPARE(w.state.useDefaultWaterTemps, 1);
        QCOMPARE(WorkFolder::bytes("defseat.txt"), QByteArray("1\r\n"));
        QVERIFY(!WorkFolder::exists("defst.txt"));
        QVERIFY(w.usedefst->toolTip().contains("defst.txt")); // the file VANTRO reads, written by each run

        w.bmppng->click();
        w.exbat->click();
        w.skipmsg->click();
        QCOMPARE(w.state.convertBmpToPng, 1);
        QCOMPARE(w.state.runBatchFile, 1);
        QCOMPARE(w.state.skipNonCriticalMessages, 1);
    }

    void anOptionFileThatCannotBeWrittenIsReportedAndTheOptionStays()
    {
        WorkFolder folder;
        QDir().mkdir("lasthr.txt"); // a folder in the way: the file cannot be replaced
        Dialogs::Script dialogs;
        MainWindow w;
        w.boothr->click();
        QCOMPARE(w.state.bootWithWholeHour, 1);
        QCOMPARE(dialogs.shown().size(), 1);
        QVERIFY(dialogs.shown().first().startsWith("Error occurred: number"));
        QVERIFY(dialogs.shown().first().contains("last file name = lasthr.txt"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
