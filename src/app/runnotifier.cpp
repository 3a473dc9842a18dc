#include "runnotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QSystemTrayIcon>
#include <QtDebug>

namespace kess {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kHistoryAction = QStringLiteral("default");
} // namespace

RunNotifier::RunNotifier(QSystemTrayIcon *tray, std::function<void()> openHistory, QObject *parent)
    : QObject(parent), m_tray(tray), m_openHistory(std::move(openHistory))
{
    // Qt D-Bus connects signals of the bus only by their signature.
    QDBusConnection::sessionBus().connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                                          SLOT(actionInvoked(uint, QString)));
}

void RunNotifier::runEnded(const RunRecord &run)
{
    const RunNotice notice = runNotice(run);
    if (notice.empty())
        return;
    tell(notice, true);
}

void RunNotifier::tell(const RunNotice &notice, bool withHistory)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        fallBack(notice);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    // The body may be read as markup by the service: the reasons and names are text.
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("kessamir")},
                            {QStringLiteral("urgency"), QVariant::fromValue(uchar(1))}};
    call << QStringLiteral("KESSAMIR") << uint(0) << QStringLiteral("kessamir") << notice.summary
         << notice.body.toHtmlEscaped()
         << (withHistory ? QStringList{kHistoryAction, QStringLiteral("Run history")} : QStringList()) << hints
         << int(withHistory ? 0 : -1); // a lost run stays until the user has seen it, the morning after
    // Sent without waiting: a run's end never waits for the desktop.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, notice] {
        const QDBusPendingReply<uint> reply = *watcher;
        watcher->deleteLater();
        if (reply.isError()) {
            fallBack(notice);
            return;
        }
        m_sent << reply.value();
        m_lastChannel = QStringLiteral("dbus");
    });
}

void RunNotifier::fallBack(const RunNotice &notice)
{
    if (m_tray && m_tray->isVisible() && QSystemTrayIcon::supportsMessages()) {
        m_tray->showMessage(notice.summary, notice.body, QSystemTrayIcon::Warning, 0);
        m_lastChannel = QStringLiteral("tray");
        return;
    }
    qWarning().noquote() << notice.summary + QStringLiteral(": ") + QString(notice.body).replace(u'\n', QStringLiteral("; "));
    m_lastChannel = QStringLiteral("log");
}

void RunNotifier::actionInvoked(uint id, const QString &action)
{
    if (action == kHistoryAction && m_sent.contains(id) && m_openHistory)
        m_openHistory();
}

} // namespace kess
