// The help, about and forecast-text windows as a user meets them: opened from the main window's
// buttons, their rows, their limits, their files missing, and printing to a PDF file.
#include "app/mainwindow.h"
#include "core/dialogs.h"
#include "windows/aboutform.h"
#include "windows/auxwindows.h"
#include "windows/forecasttextform.h"
#include "windows/helpform.h"
#include "windows/printing.h"
#include "windows/textrows.h"
#include "files/fileops.h"
#include "workfolder.h"
#include "widgets.h"

#include <QElapsedTimer>
#include <QLayout>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

using namespace kess;
using kess::test::showActive;
using kess::test::WorkFolder;

namespace {

QString blanks(int n) { return QString(n, u' '); }

// The main window shown and active, as on a desktop.
struct ShownMain {
    MainWindow w;
    ShownMain()
    {
        QVERIFY(showActive(w));
    }
};

// Where each visual row of the box starts, counted in the text without its line ends.
QList<int> rowStarts(QPlainTextEdit *box)
{
    QList<int> starts;
    for (QTextBlock b = box->document()->begin(); b.isValid(); b = b.next()) {
        QTextLayout *layout = b.layout();
        for (int i = 0; i < layout->lineCount(); ++i)
            starts << b.position() - b.blockNumber() + layout->lineAt(i).textStart();
    }
    return starts;
}

// The box's text as the rows run on, without the line ends between rows.
QString rowText(QPlainTextEdit *box) { return box->toPlainText().remove(u'\n'); }

// The text pdftotext finds in the file, one entry per line, right ends trimmed.
QStringList pdfText(const QString &pdf, int *pages)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return {QStringLiteral("pdftotext is not installed (scripts/bootstrap installs poppler-utils)")};
    QProcess p;
    p.start(tool, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished(5000);
        return {QStringLiteral("pdftotext did not finish")};
    }
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    *pages = int(out.count(u'\f'));
    QStringList lines;
    for (QString l : out.split(u'\n')) {
        l.remove(u'\f');
        while (!l.isEmpty() && l.back().isSpace())
            l.chop(1);
        lines << l;
    }
    return lines;
}

QStringList nonBlank(const QStringList &lines)
{
    QStringList out;
    for (QString l : lines) {
        while (!l.isEmpty() && l.back().isSpace())
            l.chop(1);
        if (!l.trimmed().isEmpty())
            out << l.trimmed();
    }
    return out;
}

} // namespace

class TestWindows : public QObject {
    Q_OBJECT
private slots:
    void forecastLinesBecomeRowsOfTheBox()
    {
        WorkFolder folder;
        Dialogs::Script dialogs;
        const QString l81(81, u'a'), l82(82, u'b'), l83(83, u'c');
        folder.write(QStringLiteral("textall.txt"), QStringList{l81, l82, QString(), l83, QStringLiteral("end")});
        ShownMain main;
        QTest::mouseClick(main.w.Command7, Qt::LeftButton);
        auto *form = main.w.findChild<ForecastTextForm *>(QStringLiteral("textfor"));
        QVERIFY(form);
        QVERIFY(form->isVisible());
        QCOMPARE(form->windowTitle(), QStringLiteral("Text of Latest Forecasts"));
        QCOMPARE(form->Command1->text().remove(u'&'), QStringLiteral("Print"));
        QCOMPARE(form->Command2->text(), QStringLiteral("Close"));
        QVERIFY(form->Text1->font().fixedPitch());

        const QString expected = blanks(2) + l81 + blanks(1) + blanks(3)          // 81: padded
                                 + blanks(2) + l82 + blanks(3)                    // 82: margins only
                                 + blanks(87)                                     // empty line
                                 + l83                                            // 83: unchanged
                                 + blanks(2) + QStringLiteral("end") + blanks(79 + 3);
        QCOMPARE(rowText(form->Text1), expected);
        QCOMPARE(main.w.state.lastFileNumber, 4);
        QCOMPARE(main.w.state.lastFileName, QStringLiteral("textall.txt"));

        // Each padded piece is one visual row; the 83-character line runs into the next row, so
        // the rows after it start 83 characters later, not on a new row of their own.
        QTRY_VERIFY(form->Text1->document()->begin().layout()->lineCount() > 0);
        const QList<int> starts = rowStarts(form->Text1);
        QCOMPARE(starts.mid(0, 4), (QList<int>{0, 87, 174, 261}));
        QCOMPARE(starts.value(4), 261 + 87);
        QVERIFY(dialogs.shown().isEmpty());
    }

    void helpItemsBecomeRowsAndTheBoxWrapsAtTheRow()
    {
        WorkFolder folder;
        Dialogs::Script dialogs;
        folder.write(QStringLiteral("kessphelp.txt"),
                     QStringList{QStringLiteral("Sites and runs, one by one"), QString(),
                                 QStringLiteral("\"  Quoted, with a comma\""), QString(103, u'x')});
        ShownMain main;
        QTest::mouseClick(main.w.Command10, Qt::LeftButton);
        auto *form = main.w.findChild<HelpForm *>(QStringLiteral("HelpForm"));
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), QStringLiteral("KESSAMIR Help"));
        QCOMPARE(form->Command1->text(), QStringLiteral("Close"));
        auto row = [](const QString &s) { return blanks(2) + s.leftJustified(98) + blanks(3); };
        QCOMPARE(rowText(form->Text1), row(QStringLiteral("Sites and runs")) + row(QStringLiteral("one by one"))
                                                 + blanks(103) + row(QStringLiteral("  Quoted, with a comma"))
                                                 + QString(103, u'x'));
        QCOMPARE(main.w.state.lastFileNumber, 3);
        QCOMPARE(main.w.state.lastFileName, QStringLiteral("kessphelp.txt"));
        QTRY_VERIFY(form->Text1->document()->begin().layout()->lineCount() > 0);
        QCOMPARE(rowStarts(form->Text1), (QList<int>{0, 103, 206, 309, 412}));
        QVERIFY(dialogs.shown().isEmpty());
    }

    void theShippedHelpTextReadsAsOneRowPerLine()
    {
        // The help file that ships with the program: no line split by a stray comma, none too
        // long for its row, nothing lost to a stray quote.
        ListReader reader = ListReader::open(QStringLiteral(KESS_HELP_FILE));
        const QString rows = helpRows(reader);
        QStringList fileLines = QString::fromUtf8(readBytes(QStringLiteral(KESS_HELP_FILE))).split(u'\n');
        while (!fileLines.isEmpty() && fileLines.back().trimmed().isEmpty())
            fileLines.removeLast();
        QVERIFY(fileLines.size() > 60);
        QCOMPARE(rows.size(), fileLines.size() * 103);
        for (int i = 0; i < fileLines.size(); ++i) {
            QString line = fileLines[i];
            if (line.startsWith(u'"'))
                line = line.mid(1, line.size() - 2);
            QCOMPARE(rows.mid(i * 103 + 2, 98).trimmed(), line.trimmed());
        }
        for (const char *topic : {"THE WORKING FOLDER", "SCHEDULE", "SETTINGS", "DAYLIGHT SAVING TIME", "LEARNING",
                                  "textall.txt", "kesslog.txt", "WHEN A RUN OR A SITE IS SKIPPED", "Run history",
                                  "the tray", "--companion-deadline", "kessamir.lock", "demo folder"})
            QVERIFY2(rows.contains(QLatin1String(topic)), topic);
    }

    void theLengthLimitStopsReadingOnceWithItsMessage()
    {
        WorkFolder folder;
        Dialogs::Script dialogs;
        QStringList lines;
        for (int i = 0; i < 800; ++i)
            lines << QStringLiteral("line %1").arg(i, 4, 10, QLatin1Char('0'));
        folder.write(QStringLiteral("textall.txt"), lines);
        ShownMain main;
        QTest::mouseClick(main.w.Command7, Qt::LeftButton);
        auto *form = main.w.auxWindows().forecastText();
        QVERIFY(form);
        // The test comes before each line: 752 rows hold 65424 characters, so row 753 still goes
        // in and the box ends a little over the limit.
        QCOMPARE(rowText(form->Text1).size(), 753 * 87);
        QVERIFY(rowText(form->Text1).endsWith(rowPiece(QStringLiteral("line 0752"), 82)));
        QCOMPARE(dialogs.takeShown(), QStringList{QStringLiteral(
                                          "The file (textall.txt) is too long to completely display here.  You can "
                                          "view it completely with a text editor such as Notepad.")});

        // Brought back to the front: not read again, no second message.
        QTest::mouseClick(main.w.Command7, Qt::LeftButton);
        QCOMPARE(main.w.auxWindows().forecastText(), form);
        QVERIFY(dialogs.shown().isEmpty());
    }

    void hugeAndGarbledFilesOpenAtOnce()
    {
        WorkFolder folder;
        Dialogs::Script dialogs;
        ShownMain main;
        // One line of 20 million characters.
        folder.write(QStringLiteral("textall.txt"), QByteArray(20'000'000, 'z'));
        QElapsedTimer t;
        t.start();
        QTest::mouseClick(main.w.Command7, Qt::LeftButton);
        QVERIFY(main.w.auxWindows().forecastText());
        QCOMPARE(rowText(main.w.auxWindows().forecastText()->Text1), QString(ForecastTextLimit, u'z'));
        QCOMPARE(dialogs.takeShown().size(), 1);

        // Bytes of every value, commas and quotes among them, with no line end for megabytes.
        QByteArray garbage(3'000'000, '\0');
        for (qsizetype i = 0; i < garbage.size(); ++i)
            garbage[i] = char((quint64(i) * 7919) % 256);
        folder.write(QStringLiteral("kessphelp.txt"), garbage);
        QTest::mouseClick(main.w.Command10, Qt::LeftButton);
        QVERIFY(main.w.auxWindows().help());
        const QString help = main.w.auxWindows().help()->Text1->toPlainText();
        QVERIFY(!help.isEmpty());
        QVERIFY(help.size() < 1'000'000);
        QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));
        QVERIFY(dialogs.shown().isEmpty());
    }

    void eachWindowIsMadeOnceAndReadAfreshAfterClose()
    {
        WorkFolder folder;
        Dialogs::Script dialogs;
        folder.write(QStringLiteral("textall.txt"), QStringList{QStringLiteral("first run")});
        folder.write(QStringLiteral("kessphelp.txt"), QStringList{QStringLiteral("first help")});
        ShownMain main;
        AuxWindows &aux = main.w.auxWindows();

        struct Case {
            QPushButton *open;
            std::function<QWidget *()> window;
            std::function<QString()> text;
            QString file, before, after;
        };
        const Case cases[] = {
            {main.w.Command7, [&] { return aux.forecastText(); },
             [&] { return aux.forecastText()->Text1->toPlainText(); }, QStringLiteral("textall.txt"),
             QStringLiteral("first run"), QStringLiteral("second run")},
            {main.w.Command10, [&] { return aux.help(); }, [&] { return aux.help()->Text1->toPlainText(); },
             QStringLiteral("kessphelp.txt"), QStringLiteral("first help"), QStringLiteral("second help")},
        };
        for (const Case &c : cases) {
            QTest::mouseClick(c.open, Qt::LeftButton);
            QWidget *first = c.window();
            QVERIFY(first);
            QVERIFY(QTest::qWaitForWindowExposed(first));
            QCOMPARE(c.text().trimmed(), c.before);
            QVERIFY(main.w.isEnabled()); // not modal: the main window stays usable

            folder.write(c.file, QStringList{c.after});
            QTest::mouseClick(c.open, Qt::LeftButton);
            QCOMPARE(c.window(), first);
            QCOMPARE(c.text().trimmed(), c.before);

            QPushButton *close = first->findChild<QPushButton *>(
                first->objectName() == QLatin1String("textfor") ? QStringLiteral("Command2") : QStringLiteral("Command1"));
            QCOMPARE(close->text(), QStringLiteral("Close"));
            QTest::mouseClick(close, Qt::LeftButton);
            QTRY_VERIFY(!c.window());

            QTest::mouseClick(c.open, Qt::LeftButton);
            QVERIFY(c.window());
            QCOMPARE(c.text().trimmed(), c.after);
        }

        QTest::mouseClick(main.w.Command11, Qt::LeftButton);
        AboutForm *about = aux.about();
        QVERIFY(about);
        QCOMPARE(about->windowTitle(), QStringLiteral("About KESSAMIR"));
        QCOMPARE(about->Label1->text(), QStringLiteral("KESSAMIR"));
        QCOMPARE(about->Label4->text(), QStringLiteral("Version 3.0.1"));
        QVERIFY(about->Label3->text().contains(QLatin1String("VANTRO")));
        QVERIFY(about->Label3->text().contains(QLatin1String("DORLIQ")));
        QTest::mouseClick(main.w.Command11, Qt::LeftButton);
        QCOMPARE(aux.about(), about);
        QTest::mouseClick(about->Command1, Qt::LeftButton);
        QTRY_VERIFY(!aux.about());
        QVERIFY(dialogs.shown().isEmpty());
    }

    void missingFilesOpenWithOneLineSayingWhy()
    {
        WorkFolder folder;
        Dialogs::Script dialogs;
        ShownMain main;
        QTest::mouseClick(main.w.Command7, Qt::LeftButton);
        QCOMPARE(main.w.auxWindows().forecastText()->Text1->toPlainText(),
                 QStringLiteral("There is no textall.txt here: no forecast has been run in this folder yet."));
        QTest::mouseClick(main.w.Command10, Qt::LeftButton);
        QVERIFY(main.w.auxWindows().help()->Text1->toPlainText().startsWith(
            QLatin1String("There is no help file (kessphelp.txt) in this folder")));

        // Print with nothing to print says so, and prints nothing.
        Printing::Script printing(folder.path() + QStringLiteral("/out.pdf"), false);
        QTest::mouseClick(main.w.auxWindows().forecastText()->Command1, Qt::LeftButton);
        QCOMPARE(dialogs.takeShown(), QStringList{QStringLiteral(
                                          "There is no textall.txt here: no forecast has been run in this folder yet.")});
        QVERIFY(printing.suggested().isEmpty());
        QVERIFY(!QFile::exists(QStringLiteral("out.pdf")));
    }

    void printSendsTheWholeFileInOrder()
    {
        WorkFolder folder;
        Dialogs::Script dialogs;
        // Longer than the box shows (800 rows of 87 pass the limit) and many pages long, with a
        // line wider than the paper and blank lines as the run writes them.
        QStringList lines;
        for (int i = 0; i < 800; ++i)
            lines << (i % 50 == 49 ? QStringLiteral(" ") : QStringLiteral("Site %1 forecast, line %2").arg(i / 50).arg(i));
        lines[10] = QStringLiteral("WIDE ") + QString(140, u'w') + QStringLiteral(" END");
        const QString words = QStringLiteral("forecast ").repeated(25).trimmed(); // broken between words
        lines[20] = words;
        folder.write(QStringLiteral("textall.txt"), lines);
        ShownMain main;
        QTest::mouseClick(main.w.Command7, Qt::LeftButton);
        ForecastTextForm *form = main.w.auxWindows().forecastText();
        QVERIFY(form);
        QCOMPARE(dialogs.takeShown().size(), 1); // the too-long message

        // No printer installed: the PDF file is offered, in the working folder.
        const QString pdf = folder.path() + QStringLiteral("/forecast.pdf");
        {
            Printing::Script printing(pdf, false);
            QTest::mouseClick(form->Command1, Qt::LeftButton);
            QCOMPARE(printing.suggested(),
                     QStringList{QDir(folder.path()).absoluteFilePath(QStringLiteral("textall.pdf"))});
        }
        QCOMPARE(main.w.state.lastFileNumber, 3);
        QCOMPARE(main.w.state.lastFileName, QStringLiteral("textall.txt"));
        int pages = 0;
        QStringList printed = nonBlank(pdfText(pdf, &pages));
        QVERIFY2(pages > 5, qPrintable(printed.join(u'\n').left(400)));
        // The wide line goes on in the next printed line; joined again it is the file's line.
        const int wide = int(printed.indexOf(QRegularExpression(QStringLiteral("^WIDE w+$"))));
        QVERIFY(wide >= 0);
        printed[wide] += printed.takeAt(wide + 1);
        const int first = int(printed.indexOf(QRegularExpression(QStringLiteral("^(forecast ?)+$"))));
        QVERIFY(first >= 0);
        int wordBreaks = 0;
        while (printed[first].size() < words.size()) {
            ++wordBreaks;
            QVERIFY2(QRegularExpression("^forecast( forecast)*$").match(printed[first + 1]).hasMatch(), qPrintable(printed[first + 1]));
            printed[first] += u' ' + printed.takeAt(first + 1);
        }
        QCOMPARE(printed, nonBlank(lines));

        // With a printer installed the print dialog has it chosen; Ctrl+P does the same as Print.
        QFile::remove(pdf);
        {
            Printing::Script printing(pdf, true);
            form->activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), form);
            QTest::keyClick(form, Qt::Key_P, Qt::ControlModifier);
            QVERIFY(printing.suggested().isEmpty());
            QCOMPARE(printing.dialogs(), 1);
        }
        QVERIFY(QFile::exists(pdf));
        QCOMPARE(nonBlank(pdfText(pdf, &pages)).size(), printed.size() + 1 + wordBreaks);
        QVERIFY(dialogs.shown().isEmpty());
    }

    void helpAndForecastTextFindPrintAndFitTheirText()
    {
        WorkFolder folder;
        Dialogs::Script dialogs;
        folder.write(QStringLiteral("kessphelp.txt"), QStringList{"The run list", "Scheduled runs start at the ticked hours"});
        ShownMain main;
        QTest::mouseClick(main.w.Command10, Qt::LeftButton);
        HelpForm *help = main.w.auxWindows().help();
        help->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), help);
        QTest::keyClick(help, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(help->findChild<QLineEdit *>("findBox")->isVisible());
        QTest::keyClicks(help->findChild<QLineEdit *>("findBox"), "ticked");
        QCOMPARE(help->Text1->textCursor().selectedText(), QStringLiteral("ticked"));
        const QString pdf = folder.path() + QStringLiteral("/help.pdf");
        {
            Printing::Script printing(pdf, false);
            QTest::keyClick(help, Qt::Key_P, Qt::ControlModifier);
            QCOMPARE(printing.suggested(), QStringList{QDir(folder.path()).absoluteFilePath("kessphelp.pdf")});
        }
        int pages = 0;
        QCOMPARE(nonBlank(pdfText(pdf, &pages)), (QStringList{"The run list", "Scheduled runs start at the ticked hours"}));

        // About shows all of its text at a large font too.
        const QFont original = QApplication::font();
        for (int points : {9, 14}) {
            QFont font = original;
            font.setPointSize(points);
            QApplication::setFont(font);
            AboutForm about(&main.w);
            about.show();
            QVERIFY(QTest::qWaitForWindowExposed(&about));
            QVERIFY2(about.height() >= about.layout()->totalHeightForWidth(about.width()), qPrintable(QString::number(points)));
        }
        QApplication::setFont(original);
    }
};

QTEST_MAIN(TestWindows)
#include "test_windows.moc"
