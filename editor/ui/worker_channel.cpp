#include "ui/worker_channel.h"

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>

namespace brisken {
namespace {
constexpr char kRaiseRequest[] = "raise\n";
constexpr qint64 kMaxRequest = 64;
} // namespace

WorkerChannel::WorkerChannel(std::function<void()> onRaise, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)), onRaise_(std::move(onRaise)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &WorkerChannel::OnConnection);
}

bool WorkerChannel::Listen(const QString& path) {
    // Probe first: with access options the server is set up under a temporary
    // name and renamed into place, which would silently take the name from a
    // live worker.
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(500)) {
        return false; // another worker is alive and owns the name
    }
    QLocalServer::removeServer(path); // a stale socket of an ended worker
    return server_->listen(path);
}

void WorkerChannel::OnConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kMaxRequest) {
                    socket->abort();
                }
                return;
            }
            const QByteArray request = socket->readLine(kMaxRequest);
            if (request == kRaiseRequest) {
                socket->write("pid " + QByteArray::number(QCoreApplication::applicationPid()) +
                              "\n");
                socket->flush();
                if (onRaise_) {
                    onRaise_();
                }
            }
            socket->disconnectFromServer();
        });
    }
}

bool AskWorkerToFront(const QString& path, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    socket.write(kRaiseRequest);
    if (!socket.waitForBytesWritten(timeoutMs)) {
        return false;
    }
    while (!socket.canReadLine() && socket.waitForReadyRead(timeoutMs)) {
    }
    return socket.readLine(kMaxRequest).startsWith("pid ");
}

} // namespace brisken
