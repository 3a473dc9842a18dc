#include "runnotifier.h"

#include <QSystemTrayIcon>
#ifndef Q_OS_WIN
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#endif
#include <QtDebug>

namespace kess {

#ifndef Q_OS_WIN
namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kHistoryAction = QStringLiteral("default");
} // namespace
#endif

RunNotifier::RunNotifier(QSystemTrayIcon *tray, std::function<void()> openHistory, QObject *parent)
    : QObject(parent), m_tray(tray), m_openHistory(std::move(openHistory))
{
#ifdef Q_OS_WIN
    // Windows has no notification service on a bus: the tray's balloon is the notification, and
    // a click on it opens the run history.
    if (m_tray)
        connect(m_tray, &QSystemTrayIcon::messageClicked, this, [this] {
            if (m_lastChannel == QLatin1String("tray") && m_openHistory)
                m_openHistory();
        });
#else
    // Qt D-Bus connects signals of the bus only by their signature.
    QDBusConnection::sessionBus().connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                                          SLOT(actionInvoked(uint, QString)));
#endif
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
#ifdef Q_OS_WIN
    Q_UNUSED(withHistory);
    fallBack(notice);
#else
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
#endif
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
#ifdef Q_OS_WIN
    Q_UNUSED(id);
    Q_UNUSED(action);
#else
    if (action == kHistoryAction && m_sent.contains(id) && m_openHistory)
        m_openHistory();
#endif
}

} // namespace kess
