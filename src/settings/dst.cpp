#include "dst.h"

#include "settings/layouts.h"
#include "settings/rewrite.h"

namespace kess {

DstOutcome changeDaylightSaving(int siteCount, int dst)
{
    struct Target {
        SettingsFile file;
        ItemPlace place;
        int fixedLines; // the change copies the rest only as far as the source goes
    };
    constexpr Target targets[] = {
        {SettingsFile::Custinit, places::CustinitDst, 73},
        {SettingsFile::Vantmini, places::VantminiDst, 90},
        {SettingsFile::Pelini, places::PeliniDst, 10},
    };

    DstOutcome outcome;
    QList<Rewrite> rewrites;
    rewrites.reserve((siteCount + 1) * 3);
    for (int site = 0; site <= siteCount; ++site) {
        for (const Target &t : targets) {
            const SettingsLayout &layout = settingsLayout(t.file);
            try {
                SettingsLines lines = readSettingsFile(layout.savedName(site), layout, t.fixedLines);
                lines[t.place.line - 1][t.place.item - 1] = Item::fromNumber(dst);
                rewrites.append(settingsRewrite(layout, site, lines));
            } catch (const FileError &e) {
                outcome.problems << e.reason;
            }
        }
    }
    if (!outcome.problems.isEmpty())
        return outcome;

    const QList<QPair<QString, QString>> working{
        {settingsLayout(SettingsFile::Vantmini).savedName(siteCount), QStringLiteral("vantmini.txt")},
        {settingsLayout(SettingsFile::Pelini).savedName(siteCount), QStringLiteral("pelini.txt")},
    };
    try {
        applyRewrites(rewrites, working);
    } catch (const FileError &e) {
        outcome.failure = e.reason;
    }
    return outcome;
}

} // namespace kess
