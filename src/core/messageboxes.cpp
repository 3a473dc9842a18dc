#include "messageboxes.h"

#include "core/dialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHash>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QVBoxLayout>
#include <memory>

namespace kess {

namespace {
// Some messages separate their lines with carriage returns alone.
QString displayText(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

// A notice of more lines than a message box can show on a small screen (a long list of sites).
bool isLong(const QString &text) { return text.count(u'\n') > 24 || text.size() > 3000; }

// The box of a notice. Its text can hold names from the settings files: it is shown as plain
// text, never as markup. A long one is shown in a scrolling text area that fits the screen.
QDialog *noticeBox(const QString &text)
{
    const QString shown = displayText(text);
    if (!isLong(shown)) {
        auto *box = new QMessageBox(QMessageBox::Information, QStringLiteral("KESSAMIR"), shown, QMessageBox::Ok,
                                    QApplication::activeWindow());
        box->setTextFormat(Qt::PlainText);
        return box;
    }
    auto *box = new QDialog(QApplication::activeWindow());
    box->setWindowTitle(QStringLiteral("KESSAMIR"));
    auto *area = new QPlainTextEdit(shown, box);
    area->setObjectName(QStringLiteral("noticeText"));
    area->setReadOnly(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, box, &QDialog::accept);
    auto *layout = new QVBoxLayout(box);
    layout->addWidget(area, 1);
    layout->addWidget(buttons);
    const QScreen *screen = box->screen() ? box->screen() : QGuiApplication::primaryScreen();
    const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);
    box->resize(qMin(area->fontMetrics().averageCharWidth() * 90, room.width() * 9 / 10), room.height() * 2 / 3);
    return box;
}
} // namespace

void installMessageBoxes()
{
    Dialogs::Backend b;
    b.notify = [](const QString &text) { std::unique_ptr<QDialog>(noticeBox(text))->exec(); };
    b.ask = [](const QString &text) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("KESSAMIR"), displayText(text),
                        QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
        box.setTextFormat(Qt::PlainText);
        return box.exec() == QMessageBox::Yes;
    };
    b.askDefaultNo = [](const QString &text) {
        return QMessageBox::question(QApplication::activeWindow(), QStringLiteral("KESSAMIR"), displayText(text),
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    };
    b.notifyNonBlocking = [](const QString &text) {
        // One box per distinct text at a time: a run that meets the same trouble at every site
        // does not pile up boxes.
        static QHash<QString, QPointer<QDialog>> open;
        if (QPointer<QDialog> shown = open.value(text)) {
            shown->raise();
            return;
        }
        QDialog *box = noticeBox(text);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setModal(false);
        open.insert(text, box);
        QObject::connect(box, &QObject::destroyed, [text] { open.remove(text); });
        box->show();
    };
    Dialogs::install(b);
}

} // namespace kess
