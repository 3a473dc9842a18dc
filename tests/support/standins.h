#pragma once
// Puts the stand-in companion programs into the current working folder, and the run timing
// the tests drive them with.
#include "run/waits.h"

#include <QDir>
#include <QFile>
#include <QTest>
#ifdef Q_OS_WIN
#include <windows.h>
#endif

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
#ifdef Q_OS_WIN
    // Their DLLs stay in their own folder, found through the search path (set in the process's
    // own environment, which the programs it starts inherit).
    const QString path = qEnvironmentVariable("PATH");
    if (!path.startsWith(QDir::toNativeSeparators(from))) {
        const QString longer = QDir::toNativeSeparators(from) + u';' + path;
        qputenv("PATH", longer.toLocal8Bit());
        SetEnvironmentVariableW(L"PATH", reinterpret_cast<const wchar_t *>(longer.utf16()));
    }
#endif
    // A working folder of its own: the stand-ins running here are not taken for copies started
    // by hand when a test elsewhere looks for a running companion.
    if (!QFile::exists(QStringLiteral("kessinit.txt"))) {
        QFile settings(QStringLiteral("kessinit.txt"));
        return settings.open(QIODevice::WriteOnly);
    }
    return true;
}

// A run that polls every 100 ms and paces its reads in 50 ms periods, gives a companion that
// ended without answering 1.5 s, one that never answers 20 s, and kills one a second after
// asking it to end.
inline RunTiming quickRunTiming()
{
    RunTiming t;
    t.replyPollMs = 100;
    t.pacingPeriod = 0.05;
    t.deadProcessGraceMs = 1500;
    t.companionDeadlineMs = 20000;
    t.dorliqDeadlineMarginMs = 20000;
    t.killAfterMs = 1000;
    return t;
}

} // namespace kess::test
