#pragma once
// One copy of KESSAMIR per working folder: two copies would start the same scheduled runs over
// the same companion files. The lock is "kessamir.lock" in the folder, held while the program
// runs; one left by a process that has ended, or one that names no process, is taken over.
// Where the folder takes no new file (it is read-only to this user), the lock is kept in the
// user's runtime folder instead, under a name made from the folder's canonical path.
#include <QLockFile>
#include <QString>
#include <memory>
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

    // The lock kept elsewhere for a folder that takes no lock file of its own.
    static QString fallbackLockPath(const QString &folder);

private:
    std::unique_ptr<QLockFile> m_lock;
};

// Says the folder is in use: on stderr, and in a message box where windows can be shown.
void tellFolderInUse(const QString &message);

} // namespace kess
