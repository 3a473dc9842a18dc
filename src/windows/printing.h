#pragma once
// Printing of plain lines of text. Where the printed pages go is this file's one seam: the
// program uses the default printer, or offers a PDF file when no printer is installed; tests
// install a Printing::Script that sends the pages to a PDF file of their choosing.
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
        // Asks, without blocking, for the PDF file to write instead (the suggested name first).
        // `chosen` is called with the file, or never when the user cancels.
        std::function<void(QWidget *parent, const QString &suggested, std::function<void(const QString &)> chosen)>
            choosePdfFile;
    };
    static void install(Backend backend);
    static const Backend &backend();

    // A test's printing: the default printer (when `printerInstalled`) and the PDF file
    // chosen are both the file given; records the names suggested.
    class Script {
    public:
        Script(const QString &pdfFile, bool printerInstalled);
        ~Script();
        Script(const Script &) = delete;
        Script &operator=(const Script &) = delete;
        const QStringList &suggested() const { return m_suggested; }

    private:
        Backend m_previous;
        QStringList m_suggested;
    };
};

// Sets up the dialogs and printer of the real program.
void installPrinting();

// Prints the lines one printed line each, in a fixed-pitch font, page after page; a line wider
// than the page goes on in the next printed line. Empty result on success, else the reason.
QString printLines(const QStringList &lines, QPrinter &printer);

} // namespace kess
