#pragma once
// The files savewriter saves and test_crashsafe checks, in the order they are written: one list,
// so that the test looks at every file the helper writes.
#include <QStringList>

inline const QStringList kFiles = {
    QStringLiteral("kessinit.txt"), QStringLiteral("runlist.txt"),  QStringLiteral("c1.txt"),
    QStringLiteral("w1.txt"),       QStringLiteral("r1.txt"),       QStringLiteral("custinit.txt"),
    QStringLiteral("vantmini.txt"), QStringLiteral("pelini.txt"),   QStringLiteral("imcode.txt"),
    QStringLiteral("vantroopen.txt"), QStringLiteral("dorliqopen.txt")};
