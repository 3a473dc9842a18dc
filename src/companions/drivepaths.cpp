#include "drivepaths.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace kess {

namespace {

#ifndef Q_OS_WIN
bool isSeparator(QChar c) { return c == u'\\' || c == u'/'; }

// The spelling of `name` in `folder`: itself when it exists, else the first entry that equals
// it without regard to case; `*found` says whether there was one.
QString matchCase(const QString &folder, const QString &name, bool *found)
{
    *found = true;
    if (QFileInfo::exists(folder + u'/' + name))
        return name;
    QDirIterator entries(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        entries.next();
        if (entries.fileName().compare(name, Qt::CaseInsensitive) == 0)
            return entries.fileName();
    }
    *found = false;
    return name;
}

// The canonical form of an absolute path whose last parts may not exist yet.
QString canonical(const QString &absolute)
{
    QString head = QDir::cleanPath(absolute);
    QString tail;
    while (!QFileInfo::exists(head) && head != QLatin1String("/")) {
        const qsizetype cut = head.lastIndexOf(u'/');
        tail.prepend(head.mid(cut));
        head = cut > 0 ? head.left(cut) : QStringLiteral("/");
    }
    const QString real = QFileInfo(head).canonicalFilePath();
    return (real.isEmpty() || real == QLatin1String("/") ? QString() : real) + tail;
}
#endif

} // namespace

bool hasDriveLetter(const QString &value)
{
    return value.size() >= 2 && value[1] == u':' && value[0].isLetter() && value[0].unicode() < 128;
}

QString winePrefix()
{
    const QString set = qEnvironmentVariable("WINEPREFIX");
    return set.isEmpty() ? QDir::homePath() + QStringLiteral("/.wine") : set;
}

HostPath hostPath(const QString &value)
{
#ifdef Q_OS_WIN
    return {value, {}};
#else
    if (!hasDriveLetter(value))
        return {value, {}};
    const QString prefix = winePrefix();
    const QString drive = value.left(2).toUpper();
    if (!QFileInfo(prefix).isDir())
        return {{}, QStringLiteral("%1 is a Windows path and there is no Wine prefix at %2").arg(value, prefix)};
    const QString root = QFileInfo(prefix + QStringLiteral("/dosdevices/") + drive.toLower()).canonicalFilePath();
    if (root.isEmpty() || !QFileInfo(root).isDir())
        return {{}, QStringLiteral("drive %1 of %2 is not mapped in the Wine prefix %3").arg(drive, value, prefix)};
    QString path = root == QLatin1String("/") ? QString() : root;
    bool found = true;
    for (const QString &part : value.mid(2).split(QRegularExpression(QStringLiteral("[\\\\/]")), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (path.size() > root.size())
                path.truncate(path.lastIndexOf(u'/'));
            found = QFileInfo::exists(path.isEmpty() ? QStringLiteral("/") : path);
            continue;
        }
        path += u'/' + (found ? matchCase(path.isEmpty() ? QStringLiteral("/") : path, part, &found) : part);
    }
    if (path.isEmpty() || isSeparator(value.back()) || value.size() == 2)
        path += u'/';
    return {path, {}};
#endif
}

QString windowsPath(const QString &path)
{
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(path);
#else
    if (hasDriveLetter(path))
        return QString(path).replace(u'/', u'\\');
    const QString real = canonical(QDir::current().absoluteFilePath(path));
    QString letter = QStringLiteral("Z");
    QString inside = real;
    qsizetype best = -1;
    QDirIterator drives(winePrefix() + QStringLiteral("/dosdevices"), QDir::AllEntries | QDir::System);
    while (drives.hasNext()) {
        drives.next();
        const QString name = drives.fileName();
        if (name.size() != 2 || !hasDriveLetter(name))
            continue;
        QString root = drives.fileInfo().canonicalFilePath();
        if (root == QLatin1String("/"))
            root.clear();
        if (drives.fileInfo().canonicalFilePath().isEmpty() || root.size() <= best)
            continue;
        if (real == root || real.startsWith(root + u'/')) {
            best = root.size();
            letter = name.left(1).toUpper();
            inside = real.mid(root.size());
        }
    }
    QString windows = letter + u':' + QString(inside).replace(u'/', u'\\');
    if (windows.size() == 2 || (!path.isEmpty() && isSeparator(path.back()) && !windows.endsWith(u'\\')))
        windows += u'\\';
    return windows;
#endif
}

} // namespace kess
