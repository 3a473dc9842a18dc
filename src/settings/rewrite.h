#pragma once
// Rewriting saved settings files through their scratch files (c5temp.txt for c5.txt).
//
// A batch of rewrites is journalled: every scratch file is written first; only when all are
// written is each renamed over its saved file, and then the working files that follow a saved
// file are replaced. A failure while the scratch files are written changes no saved file. No
// scratch file is left behind unless the program is stopped between the two steps; the
// scratch files then hold the new contents, and the same change made again replaces them.
#include "settings/layouts.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kess {

struct Rewrite {
    QString scratch;  // "c5temp.txt"
    QString saved;    // "c5.txt"
    QStringList lines;
};

// The rewrite of site `site`'s saved copy of a settings file with these lines, in their forms.
Rewrite settingsRewrite(const SettingsLayout &layout, int site, const SettingsLines &lines);

// Makes the rewrites, then copies the saved file named by each pair over its working file
// (copies[i].first over copies[i].second). Throws FileError naming what was not changed.
void applyRewrites(const QList<Rewrite> &rewrites, const QList<QPair<QString, QString>> &copies = {});

} // namespace kess
