#pragma once
// The open-flag files of the companion programs and the check that Save, Don't save and Close
// make before they touch the working files.
#include <QString>

namespace kess {

struct AppState;

// True when the program's flag file holds exactly 1. A file that is missing or unreadable
// counts as closed.
bool companionOpen(const QString &flagFile);

struct CloseMessages {
    QString vantro;
    QString dorliq;
    QString pelthor;
};

// Reads the flags of VANTRO, DORLIQ and PELTHOR in that order. The first program still flagged
// open whose warning has not been given yet gets its message, and the caller must stop (false).
// A program found closed, or passed after its warning, has its warning cleared. True when all
// three are taken as closed.
bool openFlagCheck(AppState &state, const CloseMessages &messages);

} // namespace kess
