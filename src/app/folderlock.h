#pragma once
// One copy of KESSAMIR per working folder: two copies would start the same scheduled runs over
// the same companion files. The lock is "kessamir.lock" in the folder, held while the program
// runs; one left by a process that has ended, or one that names no process, is taken over.
#include <QLockFile>
#include <QString>
#include <optional>

namespace kess {

// Exit code of a start in a folder that another copy holds.
inline constexpr int folderInUseExitCode = 3;

class FolderLock {
public:
    FolderLock();
    // Takes the lock of the current folder. Empty when taken; otherwise the message that says
    // which process holds the folder.
    std::optional<QString> take();

private:
    QLockFile m_lock;
};

// Says the folder is in use: on stderr, and in a message box where windows can be shown.
void tellFolderInUse(const QString &message);

} // namespace kess
