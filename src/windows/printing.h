#pragma once
// Printing of plain lines of text. Where the printed pages go is this file's one seam: the
// program shows the print dialog with the default printer chosen, or a PDF file in the working
// folder when no printer is installed; tests install a Printing::Script that answers the dialog
// at once and sends the pages to a PDF file of their choosing.
#include <QString>
#include <QStringList>
#include <functional>

class QPrinter;
class QWidget;

namespace kess {

class Printing {
public:
    struct Backend {
        // Sets the printer up for the default printer; false when there is none.
        std::function<bool(QPrinter &)> useDefaultPrinter;
        // Shows the print dialog for `printer` as set up, without blocking; `accepted` is called
        // once the user has chosen to print, never when the dialog is cancelled.
        std::function<void(QWidget *parent, QPrinter &printer, std::function<void()> accepted)> askPrinter;
    };
    static void install(Backend backend);
    static const Backend &backend();

    // A test's printing: the default printer (when `printerInstalled`) and the PDF file chosen
    // in the print dialog are both the file given; records the PDF names the dialog suggested.
    class Script {
    public:
        Script(const QString &pdfFile, bool printerInstalled);
        ~Script();
        Script(const Script &) = delete;
        Script &operator=(const Script &) = delete;
        const QStringList &suggested() const { return m_suggested; }
        int dialogs() const { return m_dialogs; }

    private:
        Backend m_previous;
        QStringList m_suggested;
        int m_dialogs = 0;
    };
};

// Sets up the dialogs and printer of the real program.
void installPrinting();

// Prints the lines through the print dialog: the default printer chosen, or where there is none
// the PDF file `suggestedPdf`. Any trouble is told in a notice beginning with `what` ("The
// forecast text").
void printThroughDialog(QWidget *parent, const QStringList &lines, const QString &docName, const QString &suggestedPdf,
                        const QString &what);

// Prints the lines one printed line each, in a fixed-pitch font, page after page; a line wider
// than the page goes on in the next printed line, broken after a blank in the second half of the
// printed line where there is one. Empty result on success, else the reason.
QString printLines(const QStringList &lines, QPrinter &printer);

} // namespace kess
