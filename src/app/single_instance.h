#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;

namespace trackfold {

// The lock file that marks a running copy of the program, in the user's runtime folder.
QString instance_lock_path();

// Takes the lock for this process. False only when another live process holds it: a lock
// that cannot be made at all (no such folder, no rights) does not keep the program from starting.
bool acquire_single_instance(QLockFile& lock);

// Beside the lock: where the running copy listens for a second start.
QString instance_socket_path(const QString& lock_path);

// Held by the copy that has the lock: a second start that knocks makes `come_forward` run.
class InstanceBeacon : public QObject {
    Q_OBJECT
  public:
    InstanceBeacon(const QString& socket_path, std::function<void()> come_forward);
    ~InstanceBeacon() override;

  private:
    QLocalServer* server_;
    std::function<void()> come_forward_;
};

// A second start knocks on the running copy's beacon; true when it answered, so its window is
// in front now.
bool knock_on_running_instance(const QString& socket_path);

}  // namespace trackfold
