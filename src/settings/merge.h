#pragma once
// The generic data merge: a marked site's saved settings file takes the selected site's generic
// items and keeps its own site-specific ones (its name, code, position, station and the like).
// Which items are the site's own is fixed per file; the values are never looked at.
#include "settings/layouts.h"

namespace kess {

// True when the item at this place is the site's own (kept from its file).
bool isSiteItem(SettingsFile file, ItemPlace place);

// Every line of the layout: the site's own items from `site`, the generic ones from `selected`.
// Where the file an item comes from ends before it, the item comes from the other file, and an
// item that neither file holds is written empty.
SettingsLines mergeGeneric(const SettingsLayout &layout, const SettingsLines &site,
                           const SettingsLines &selected);

} // namespace kess
