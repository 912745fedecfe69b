#include "ui/init_instance.h"

#include "core/catalogue.h"
#include "core/language.h"
#include "core/messages.h"
#include "core/startup.h"
#include "core/trace.h"
#include "resources/embedded_library.h"
#include "ui/main_dialog.h"
#include "ui/worker_channel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace brisken {
namespace {

constexpr QFileDevice::Permissions kOwnerOnlyExecutable =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

void FixedMessage(const char* text) {
    ShowMessage({Text(kMsgTitle), QString::fromLatin1(text)});
}

bool RunLauncher(const QString& runDirectory) {
    const QString target = QDir(runDirectory).filePath(QString::fromLatin1(kRelocatedName));
    const QString self = QCoreApplication::applicationFilePath();
    Trace("InitInstance", 3);
    const QString socket = WorkerSocketPath(runDirectory);
    // A running worker: hand over to it rather than start a second one.
    if (AskWorkerToFront(socket, 500)) {
        return false;
    }
    QString reason;
    if (!CopyFileAtomically(self, target, kOwnerOnlyExecutable, &reason)) {
        qCWarning(lcTrace).noquote() << "copy to" << target << "failed:" << reason;
        if (AskWorkerToFront(socket)) {
            return false;
        }
        // Otherwise start the copy that is already there, if any.
    }
    Trace("InitInstance", 4);
    if (!QDir::setCurrent(runDirectory)) {
        FixedMessage("Change current dir failed!!");
        return false;
    }
    if (!QFile::setPermissions(target, kOwnerOnlyExecutable)) {
        return false;
    }
    Trace("InitInstance", 5);
    if (!QProcess::startDetached(target, {}, runDirectory)) {
        FixedMessage("Create process failed!!");
    }
    return false;
}

bool RunWorker(const QString& runDirectory) {
    Trace("InitInstance", 6);
    const QString library =
        QDir(ExecutableDirectory()).filePath(QString::fromLatin1(kLibraryFileName));
    QString reason;
    // Written whole under another name and renamed, so that a worker still
    // running from the same directory keeps its mapped library intact. A
    // failure shows when a card action first needs the library.
    if (!WriteFileAtomically(library, EmbeddedLibrary(),
                             QFileDevice::ReadOwner | QFileDevice::WriteOwner, &reason)) {
        qCWarning(lcTrace).noquote() << "writing" << library << "failed:" << reason;
    }
    Trace("InitInstance", 7);
    Trace("InitInstance", 8);
    MainDialog dialog;
    WorkerChannel channel([&dialog] { dialog.ComeToFront(); });
    channel.Listen(WorkerSocketPath(runDirectory));
    Trace("InitInstance", 9);
    if (dialog.OnInitDialog()) {
        dialog.exec();
    }
    return false;
}

} // namespace

bool InitInstance() {
    Trace("InitInstance", 0);
    // Linux counts as a newer system: the run directory is the user's own.
    Trace("InitInstance", 1);
    const QString runDirectory = RunDirectoryPath();
    QString reason;
    Trace("InitInstance", 2);
    if (!EnsurePrivateDirectory(runDirectory, &reason)) {
        ShowMessage(
            {Text(kMsgTitle), Text(kMsgRunDirectoryUnsafe) + QStringLiteral("\n") + reason});
        return false;
    }
    if (IsWorkerDirectory(QDir::currentPath(), runDirectory)) {
        return RunWorker(runDirectory);
    }
    return RunLauncher(runDirectory);
}

} // namespace brisken
