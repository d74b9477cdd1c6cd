#include "app/single_instance.h"

#include <QDir>
#include <QStandardPaths>

namespace trackfold {

QString instance_lock_path() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    return QDir(folder).filePath(QStringLiteral("trackfold.lock"));
}

bool acquire_single_instance(QLockFile& lock) {
    // Otherwise a lock older than the default 30 s counts as stale although its owner lives.
    lock.setStaleLockTime(0);
    return lock.tryLock(0) || lock.error() != QLockFile::LockFailedError;
}

}  // namespace trackfold
