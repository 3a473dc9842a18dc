#include "pelini.h"

#include "core/appstate.h"
#include "files/fileops.h"
#include "settings/pelinivalues.h"

namespace kess {

namespace {

PeliniValues valuesOf(const AppState &s)
{
    return {s.pelthorValues1to8, s.pelthorValues19to27, s.workingFolder, s.pelthorValueAfterFolder1,
            s.pelthorValueAfterFolder2, s.pelthorListA, s.pelthorListB, s.pelthorFurtherFields};
}

void store(const PeliniValues &v, AppState &s)
{
    s.pelthorValues1to8 = v.values1to8;
    s.pelthorValues19to27 = v.values19to27;
    s.workingFolder = v.workingFolder;
    s.pelthorValueAfterFolder1 = v.valueAfterFolder1;
    s.pelthorValueAfterFolder2 = v.valueAfterFolder2;
    s.pelthorListA = v.listA;
    s.pelthorListB = v.listB;
    s.pelthorFurtherFields = v.furtherFields;
}

} // namespace

void readpelini(AppState &s, bool full)
{
    s.trace(7, QStringLiteral("pelini.txt"));
    PeliniValues values = valuesOf(s);
    const QByteArray bytes = readBytes(QStringLiteral("pelini.txt"), SettingsReadLimit);
    try {
        decodePelini(bytes, values, full);
    } catch (const FileError &) {
        store(values, s); // what was read before the fault stays
        throw;
    }
    store(values, s);
}

} // namespace kess
