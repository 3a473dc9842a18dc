#include "datafiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace kess {

QString installedDataFolder(const QString &programFolder)
{
    return QDir::cleanPath(programFolder + QStringLiteral("/../share/kessamir"));
}

QString helpTextPath()
{
    return helpTextPath(QCoreApplication::applicationDirPath());
}

QString helpTextPath(const QString &programFolder)
{
    const QString name = QStringLiteral("kessphelp.txt");
    if (QFileInfo(name).isFile())
        return name;
    const QString installed = installedDataFolder(programFolder) + QLatin1Char('/') + name;
    if (QFileInfo(installed).isFile())
        return installed;
    return name;
}

} // namespace kess
