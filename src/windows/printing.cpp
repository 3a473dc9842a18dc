#include "printing.h"

#include "windows/rowbox.h"

#include "core/dialogs.h"

#include <QPrintDialog>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <memory>

namespace kess {

namespace {
Printing::Backend &current()
{
    static Printing::Backend b;
    return b;
}
} // namespace

void Printing::install(Backend backend)
{
    current() = std::move(backend);
}

const Printing::Backend &Printing::backend()
{
    if (!current().useDefaultPrinter)
        installPrinting();
    return current();
}

Printing::Script::Script(const QString &pdfFile, bool printerInstalled) : m_previous(current())
{
    Backend b;
    b.useDefaultPrinter = [pdfFile, printerInstalled](QPrinter &printer) {
        if (!printerInstalled)
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfFile);
        return true;
    };
    b.askPrinter = [this, pdfFile](QWidget *, QPrinter &printer, std::function<void()> accepted) {
        ++m_dialogs;
        if (printer.outputFormat() == QPrinter::PdfFormat && printer.outputFileName() != pdfFile)
            m_suggested << printer.outputFileName();
        printer.setOutputFormat(QPrinter::PdfFormat); // what the user chose in the dialog
        printer.setOutputFileName(pdfFile);
        accepted();
    };
    current() = b;
}

Printing::Script::~Script()
{
    current() = m_previous;
}

void installPrinting()
{
    Printing::Backend b;
    b.useDefaultPrinter = [](QPrinter &printer) {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull())
            return false;
        printer.setPrinterName(info.printerName());
        return true;
    };
    b.askPrinter = [](QWidget *parent, QPrinter &printer, std::function<void()> accepted) {
        auto *dialog = new QPrintDialog(&printer, parent);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(dialog, &QDialog::finished, dialog, [accepted](int result) {
            if (result == QDialog::Accepted)
                accepted();
        });
        // open() returns at once: a forecast run that is under way goes on while the dialog waits.
        dialog->open();
    };
    Printing::install(b);
}

void printThroughDialog(QWidget *parent, const QStringList &lines, const QString &docName, const QString &suggestedPdf,
                        const QString &what)
{
    auto printer = std::make_shared<QPrinter>();
    printer->setDocName(docName);
    if (!Printing::backend().useDefaultPrinter(*printer)) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(suggestedPdf);
    }
    Printing::backend().askPrinter(parent, *printer, [printer, lines, what] {
        if (const QString trouble = printLines(lines, *printer); !trouble.isEmpty())
            Dialogs::notifyNonBlocking(what + QStringLiteral(" was not printed: ") + trouble + u'.');
    });
}

QString printLines(const QStringList &lines, QPrinter &printer)
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (printer.outputFormat() == QPrinter::PdfFormat)
            return QStringLiteral("the file %1 could not be written").arg(printer.outputFileName());
        return QStringLiteral("the printer %1 could not be used").arg(printer.printerName());
    }
    const QFont font = fixedPitchFont(10);
    painter.setFont(font);
    const QFontMetricsF fm(font, &printer);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    const qreal lineHeight = fm.lineSpacing();
    const int rowsPerPage = std::max(1, int(page.height() / lineHeight));
    const int columns = std::max(1, int(page.width() / fm.horizontalAdvance(u'M')));

    int row = 0;
    for (const QString &line : lines) {
        qsizetype start = 0;
        do {
            if (row == rowsPerPage) {
                if (!printer.newPage())
                    return QStringLiteral("a new page could not be started");
                row = 0;
            }
            // A long line of words is broken after a blank rather than inside a word.
            qsizetype length = columns;
            if (line.size() - start > columns) {
                const qsizetype blank = line.lastIndexOf(u' ', start + columns - 1);
                if (blank >= start + columns / 2)
                    length = blank + 1 - start;
            }
            painter.drawText(QPointF(0, row * lineHeight + fm.ascent()), line.mid(start, length));
            ++row;
            start += length;
        } while (start < line.size());
    }
    if (!painter.end())
        return QStringLiteral("the pages could not be finished");
    return {};
}

} // namespace kess
