#include "folderlock.h"

#include "core/dialogs.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QGuiApplication>
#include <QThread>

#include <cstdio>

namespace kess {

namespace {

std::unique_ptr<QLockFile> lockAt(const QString &path)
{
    auto lock = std::make_unique<QLockFile>(path);
    // Never stale by age: a copy may run for months. A lock whose process has ended is stale.
    lock->setStaleLockTime(0);
    return lock;
}

} // namespace

FolderLock::FolderLock() : m_lock(lockAt(QStringLiteral("kessamir.lock"))) {}

QString FolderLock::fallbackLockPath(const QString &folder)
{
    const QByteArray canonical = QFileInfo(folder).canonicalFilePath().toUtf8();
    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        runtime = QDir::tempPath();
    return QDir(runtime).filePath(QStringLiteral("kessamir-%1.lock")
                                      .arg(QString::fromLatin1(QCryptographicHash::hash(canonical, QCryptographicHash::Sha256).toHex().left(32))));
}

std::optional<QString> FolderLock::take()
{
    if (m_lock->tryLock())
        return std::nullopt;
    if (m_lock->error() == QLockFile::PermissionError) {
        // A read-only working folder is allowed: the lock goes where this user may write.
        m_lock = lockAt(fallbackLockPath(QDir::currentPath()));
        if (m_lock->tryLock())
            return std::nullopt;
    }
    // A lock that names no process (empty or cut short, as a power cut can leave it) is stale as
    // well, once it has stayed so for a moment: a copy starting just now may be writing it.
    qint64 pid = 0;
    QString host, application;
    if (m_lock->error() == QLockFile::LockFailedError && !m_lock->getLockInfo(&pid, &host, &application)) {
        QThread::msleep(500);
        if (!m_lock->getLockInfo(&pid, &host, &application) && m_lock->removeStaleLockFile() && m_lock->tryLock())
            return std::nullopt;
    }
    const QString folder = QDir::toNativeSeparators(QDir::currentPath());
    if (m_lock->error() == QLockFile::LockFailedError && m_lock->getLockInfo(&pid, &host, &application))
        return QStringLiteral("Another copy of KESSAMIR (process %1 on %2) is using the working folder %3.  "
                              "Only one copy may work in a folder; this one ends.")
            .arg(pid)
            .arg(host, folder);
    return QStringLiteral("The working folder %1 cannot be locked for this copy of KESSAMIR (kessamir.lock); "
                          "this copy ends.")
        .arg(folder);
}

void tellFolderInUse(const QString &message)
{
    std::fputs(("kessamir: " + message + "\n").toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal"))
        Dialogs::notify(message);
}

} // namespace kess
