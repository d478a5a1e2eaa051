#include "platform/linux/local_single_instance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <QTimer>

namespace chimora::platform {

namespace {

constexpr int kConnectMs = 1000;
constexpr int kReplyMs = 3000;
// A holder that has just taken the lock may not listen yet; a later start waits this long.
constexpr int kClaimMs = 10000;
constexpr int kRetryPauseMs = 50;

QString RuntimeFolder(const std::string& given) {
    if (!given.empty())
        return QString::fromStdString(given);
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime;
    return QDir::tempPath();
}

// The same folder reached by another path (a symbolic link, a trailing separator) is
// the same folder.
QString FolderKey(const std::string& programFolder) {
    const QString folder = QString::fromStdString(programFolder);
    QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty())
        canonical = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    const QByteArray hash =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("chimora-") + QString::fromLatin1(hash.left(16));
}

}  // namespace

LocalSingleInstance::LocalSingleInstance(const std::string& programFolder,
                                         const std::string& runtimeFolder) {
    const QString base = RuntimeFolder(runtimeFolder) + QLatin1Char('/') + FolderKey(programFolder);
    lockPath_ = base + QStringLiteral(".lock");
    socketPath_ = base + QStringLiteral(".sock");
    lock_ = std::make_unique<QLockFile>(lockPath_);
}

LocalSingleInstance::~LocalSingleInstance() {
    if (server_)
        server_->close();
    lock_->unlock();
}

SingleInstance::Outcome LocalSingleInstance::Claim() {
    const QDeadlineTimer deadline(kClaimMs);
    for (;;) {
        if (lock_->tryLock(0)) {
            Listen();
            return Outcome::First;
        }
        if (lock_->error() != QLockFile::LockFailedError) {
            problem_ = "cannot make the lock file " + lockPath_.toStdString() +
                       "; a second copy would not be noticed";
            return Outcome::First;
        }
        if (AskHolderToShow())
            return Outcome::HandedOver;
        if (deadline.hasExpired())
            return Outcome::NoAnswer;
        QThread::msleep(kRetryPauseMs);
    }
}

bool LocalSingleInstance::Listen() {
    // A socket left by a holder that died is ours to replace: we hold the lock now.
    QLocalServer::removeServer(socketPath_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(socketPath_)) {
        problem_ = "cannot listen on " + socketPath_.toStdString() + ": " +
                   server_->errorString().toStdString() + "; a second copy could not hand over";
        return false;
    }
    connect(server_, &QLocalServer::newConnection, this, &LocalSingleInstance::Answer);
    return true;
}

bool LocalSingleInstance::AskHolderToShow() const {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(kConnectMs))
        return false;
    socket.write(kShowRequest);
    if (!socket.waitForBytesWritten(kConnectMs))
        return false;
    QByteArray reply;
    const QDeadlineTimer deadline(kReplyMs);
    while (!reply.contains('\n') && !deadline.hasExpired()) {
        if (!socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            break;
        reply += socket.readAll();
    }
    return reply == kShownReply;
}

void LocalSingleInstance::Answer() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadRequest(*socket); });
        ReadRequest(*socket);
    }
}

void LocalSingleInstance::ReadRequest(QLocalSocket& socket) {
    if (!socket.canReadLine())
        return;
    if (socket.readLine() != kShowRequest) {
        socket.disconnectFromServer();
        return;
    }
    // Answered first: the show steps may open an error box, and the later start must not
    // wait for the user to close it.
    socket.write(kShownReply);
    socket.flush();
    socket.disconnectFromServer();
    QTimer::singleShot(0, this, [this] {
        if (handler_)
            handler_();
    });
}

}  // namespace chimora::platform
