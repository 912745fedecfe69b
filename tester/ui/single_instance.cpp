#include "single_instance.h"

#include <QDir>
#include <QStandardPaths>

namespace orrick::ui {

SingleInstance::SingleInstance(const QString& folder) {
    QString dir = folder;
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    lock_ = std::make_unique<QLockFile>(QDir(dir).filePath(kName));
    // A tester runs for days: only a lock whose process has gone is stale,
    // never one that is merely old.
    lock_->setStaleLockTime(0);
    first_ = lock_->tryLock(0);
}

} // namespace orrick::ui
