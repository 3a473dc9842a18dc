#pragma once
// Puts the stand-in companion programs into the current working folder.
#include <QDir>
#include <QFile>
#include <QTest>

namespace kess::test {

inline bool installStandins()
{
    const QString from = qEnvironmentVariable("KESS_STANDIN_DIR");
    if (from.isEmpty())
        return false;
    for (const char *name : {"dorliq.exe", "vantro.exe", "pelthor.exe", "mirrix.exe", "i_view32.exe"}) {
        const QString source = QDir(from).filePath(QLatin1String(name));
        QFile::remove(QLatin1String(name));
        if (!QFile::copy(source, QLatin1String(name)))
            return false;
        QFile::setPermissions(QLatin1String(name), QFile::permissions(source) | QFile::ExeOwner);
    }
    return true;
}

} // namespace kess::test
