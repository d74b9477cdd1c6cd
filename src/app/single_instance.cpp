#include "app/single_instance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace trackfold {

namespace {

constexpr int kKnockWaitMs = 2000;
constexpr char kAnswer = '!';

}  // namespace

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

QString instance_socket_path(const QString& lock_path) {
    QString path = lock_path;
    if (path.endsWith(QStringLiteral(".lock"))) {
        path.chop(5);
    }
    return path + QStringLiteral(".socket");
}

InstanceBeacon::InstanceBeacon(const QString& socket_path, std::function<void()> come_forward)
    : server_(new QLocalServer(this)), come_forward_(std::move(come_forward)) {
    // Only the owner of the lock gets here: a socket left there is a dead copy's.
    QLocalServer::removeServer(socket_path);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->listen(socket_path);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* knock = server_->nextPendingConnection()) {
            come_forward_();
            knock->write(&kAnswer, 1);
            knock->flush();
            knock->disconnectFromServer();
            connect(knock, &QLocalSocket::disconnected, knock, &QObject::deleteLater);
        }
    });
}

InstanceBeacon::~InstanceBeacon() = default;

bool knock_on_running_instance(const QString& socket_path) {
    QLocalSocket socket;
    socket.connectToServer(socket_path);
    if (!socket.waitForConnected(kKnockWaitMs)) {
        return false;
    }
    // The answer comes once the window is in front, so what this copy shows next is above it.
    return socket.waitForReadyRead(kKnockWaitMs) && socket.read(1) == QByteArray(1, kAnswer);
}

}  // namespace trackfold
