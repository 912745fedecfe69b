// The running worker's local socket in the run directory. A later start asks
// through it for the window to come to the front instead of starting another
// worker; the answer names the worker's process id.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;

namespace brisken {

class WorkerChannel : public QObject {
    Q_OBJECT
public:
    explicit WorkerChannel(std::function<void()> onRaise, QObject* parent = nullptr);
    // Listens on the path; a stale socket left by an ended worker is replaced.
    bool Listen(const QString& path);

private:
    void OnConnection();

    QLocalServer* server_;
    std::function<void()> onRaise_;
};

// Asks a worker listening on the path to come to the front. True when one
// answered.
bool AskWorkerToFront(const QString& path, int timeoutMs = 2000);

} // namespace brisken
