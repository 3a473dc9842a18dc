#include "printing.h"

#include "windows/rowbox.h"

#include <QFileDialog>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

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
    b.choosePdfFile = [this, pdfFile](QWidget *, const QString &suggested,
                                      std::function<void(const QString &)> chosen) {
        m_suggested << suggested;
        chosen(pdfFile);
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
    b.choosePdfFile = [](QWidget *parent, const QString &suggested, std::function<void(const QString &)> chosen) {
        auto *dialog = new QFileDialog(parent,
                                       QStringLiteral("No printer is installed - save the pages as a PDF file instead"),
                                       suggested, QStringLiteral("PDF files (*.pdf)"));
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setDefaultSuffix(QStringLiteral("pdf"));
        dialog->setLabelText(QFileDialog::Accept, QStringLiteral("Save PDF"));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(dialog, &QFileDialog::fileSelected, dialog, [chosen](const QString &file) { chosen(file); });
        // open() returns at once: a forecast run that is under way goes on while the dialog waits.
        dialog->open();
    };
    Printing::install(b);
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
            painter.drawText(QPointF(0, row * lineHeight + fm.ascent()), line.mid(start, columns));
            ++row;
            start += columns;
        } while (start < line.size());
    }
    if (!painter.end())
        return QStringLiteral("the pages could not be finished");
    return {};
}

} // namespace kess
