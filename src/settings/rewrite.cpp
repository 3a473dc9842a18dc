#include "rewrite.h"

#include "files/fileops.h"

namespace kess {

Rewrite settingsRewrite(const SettingsLayout &layout, int site, const SettingsLines &lines)
{
    return {layout.scratchName(site), layout.savedName(site), formatSettings(layout, lines)};
}

namespace {

void removeScratch(const QList<Rewrite> &rewrites, qsizetype from)
{
    for (qsizetype i = from; i < rewrites.size(); ++i) {
        try {
            removeFile(rewrites[i].scratch);
        } catch (const FileError &) {
            // the scratch file does no harm; the next rewrite replaces it
        }
    }
}

} // namespace

void applyRewrites(const QList<Rewrite> &rewrites, const QList<QPair<QString, QString>> &copies)
{
    for (qsizetype i = 0; i < rewrites.size(); ++i) {
        try {
            writeLines(rewrites[i].scratch, rewrites[i].lines);
        } catch (const FileError &e) {
            removeScratch(rewrites, 0);
            throw FileError(e.number, e.reason + QStringLiteral("\nNo saved file was changed."));
        }
    }
    for (qsizetype i = 0; i < rewrites.size(); ++i) {
        try {
            moveOver(rewrites[i].scratch, rewrites[i].saved);
        } catch (const FileError &e) {
            removeScratch(rewrites, i);
            QStringList kept;
            for (qsizetype k = i; k < rewrites.size(); ++k)
                kept << rewrites[k].saved;
            throw FileError(e.number, e.reason + QStringLiteral("\nThese files were not changed: ") +
                                          kept.join(QStringLiteral(", ")));
        }
    }
    for (const auto &[saved, working] : copies)
        copyFile(saved, working);
}

} // namespace kess
