#include "core/startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace brisken {

QString RunDirectoryPath() {
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.cache");
    }
    return QDir::cleanPath(base + QStringLiteral("/brisken"));
}

bool EnsurePrivateDirectory(const QString& path, QString* reason) {
    const QByteArray native = QFile::encodeName(path);
    const QString parent = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(parent)) {
        *reason = QStringLiteral("cannot create %1").arg(parent);
        return false;
    }
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        *reason = QStringLiteral("cannot create %1: %2")
                      .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0) {
        *reason = QStringLiteral("cannot inspect %1").arg(path);
        return false;
    }
    if (S_ISLNK(info.st_mode) || !S_ISDIR(info.st_mode)) {
        *reason = QStringLiteral("%1 is not a directory of its own (a link or a file)").arg(path);
        return false;
    }
    if (info.st_uid != ::geteuid()) {
        *reason = QStringLiteral("%1 belongs to another user").arg(path);
        return false;
    }
    if ((info.st_mode & 077) != 0) {
        *reason = QStringLiteral("%1 is open to other users (mode %2, expected 700)")
                      .arg(path)
                      .arg(info.st_mode & 07777, 3, 8, QLatin1Char('0'));
        return false;
    }
    return true;
}

bool IsWorkerDirectory(const QString& currentDirectory, const QString& runDirectory) {
    const QString current = QFileInfo(currentDirectory).canonicalFilePath();
    const QString run = QFileInfo(runDirectory).canonicalFilePath();
    return !current.isEmpty() && current == run;
}

bool WriteFileAtomically(const QString& target, QByteArrayView bytes,
                         QFileDevice::Permissions permissions, QString* reason) {
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) {
        *reason = file.errorString();
        return false;
    }
    if (file.write(bytes.data(), bytes.size()) != bytes.size() ||
        !file.setPermissions(permissions)) {
        *reason = file.errorString();
        file.cancelWriting();
        file.commit();
        return false;
    }
    if (!file.commit()) {
        *reason = file.errorString();
        return false;
    }
    return true;
}

bool CopyFileAtomically(const QString& source, const QString& target,
                        QFileDevice::Permissions permissions, QString* reason) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *reason = in.errorString();
        return false;
    }
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        *reason = in.errorString();
        return false;
    }
    return WriteFileAtomically(target, bytes, permissions, reason);
}

QString WorkerSocketPath(const QString& runDirectory) {
    return QDir(runDirectory).filePath(QStringLiteral("Tolvane.socket"));
}

QString ExecutableDirectory() {
    return QCoreApplication::applicationDirPath();
}

} // namespace brisken
