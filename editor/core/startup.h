// Start-up of the editor: the private run directory, the relocated copy
// "Tolvane" and the card library written beside the running copy.
#pragma once

#include <QByteArrayView>
#include <QFileDevice>
#include <QString>

namespace brisken {

inline constexpr const char* kRelocatedName = "Tolvane";
inline constexpr const char* kLibraryFileName = "libnimbrel.so";

// ${XDG_CACHE_HOME:-$HOME/.cache}/brisken; a relative XDG_CACHE_HOME is
// ignored, as the base directory rules say.
QString RunDirectoryPath();

// Creates the directory (mode 0700) when it is missing, then checks that it is
// a real directory (not a symlink), owned by this user and closed to group and
// others. False with a reason otherwise.
bool EnsurePrivateDirectory(const QString& path, QString* reason);

// The role decision: a process whose current directory is the run directory
// is the worker. Both sides are compared after resolving links and dots.
bool IsWorkerDirectory(const QString& currentDirectory, const QString& runDirectory);

// Writes bytes to a temporary name in the target's directory and renames it
// over the target, so that a running copy or a loaded library is never
// overwritten in place and a reader never sees half a file.
bool WriteFileAtomically(const QString& target, QByteArrayView bytes,
                         QFileDevice::Permissions permissions, QString* reason);
bool CopyFileAtomically(const QString& source, const QString& target,
                        QFileDevice::Permissions permissions, QString* reason);

// The socket by which a running worker is found; it lies inside the private
// run directory, so only this user can reach it.
QString WorkerSocketPath(const QString& runDirectory);

// Directory of the running executable.
QString ExecutableDirectory();

} // namespace brisken
