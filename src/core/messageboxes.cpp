#include "messageboxes.h"

#include "core/dialogs.h"

#include <QApplication>
#include <QHash>
#include <QMessageBox>
#include <QPointer>

namespace kess {

namespace {
// Some messages separate their lines with carriage returns alone.
QString displayText(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}
} // namespace

void installMessageBoxes()
{
    Dialogs::Backend b;
    b.notify = [](const QString &text) {
        QMessageBox::information(QApplication::activeWindow(), QStringLiteral("KESSAMIR"), displayText(text));
    };
    b.ask = [](const QString &text) {
        return QMessageBox::question(QApplication::activeWindow(), QStringLiteral("KESSAMIR"), displayText(text),
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    b.askDefaultNo = [](const QString &text) {
        return QMessageBox::question(QApplication::activeWindow(), QStringLiteral("KESSAMIR"), displayText(text),
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    };
    b.notifyNonBlocking = [](const QString &text) {
        // One box per distinct text at a time: a run that meets the same trouble at every site
        // does not pile up boxes.
        static QHash<QString, QPointer<QMessageBox>> open;
        if (QPointer<QMessageBox> shown = open.value(text)) {
            shown->raise();
            return;
        }
        auto *box = new QMessageBox(QMessageBox::Information, QStringLiteral("KESSAMIR"), displayText(text),
                                    QMessageBox::Ok, QApplication::activeWindow());
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setModal(false);
        open.insert(text, box);
        QObject::connect(box, &QObject::destroyed, [text] { open.remove(text); });
        box->show();
    };
    Dialogs::install(b);
}

} // namespace kess
