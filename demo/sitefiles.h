#pragma once
// The contents of one demo site's saved files: the three settings files in their layouts and
// the four small data files of VANTRO and PELTHOR.
#include "demosites.h"
#include "settings/layouts.h"

#include <QStringList>

namespace demo {

// What every site's files share.
struct FolderFacts {
    QString workingFolder; // absolute, ending with the separator
    QString pelthorFolder; // the site's own PELTHOR folder, ending with the separator
    int dst = 0;           // 1 while daylight time is in effect
    int minutes = 0;       // minutes after the hour of scheduled runs
};

kess::SettingsLines custinitItems(const DemoSite &site, const FolderFacts &facts);
kess::SettingsLines vantminiItems(const DemoSite &site, const FolderFacts &facts);
kess::SettingsLines peliniItems(const DemoSite &site, const FolderFacts &facts);

// Lines of snowrec<N>.txt, cor<N>.txt, fdata<N>.txt and ecdata<N>.txt: a quoted title, then
// one quoted label and its value per line.
QStringList snowrecLines(const DemoSite &site);
QStringList corLines(const DemoSite &site);
QStringList fdataLines(const DemoSite &site);
QStringList ecdataLines(const DemoSite &site);

} // namespace demo
