#include "web/SaveFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orbisel {
namespace {

// The file a write to path lands in: the end of a chain of symbolic links
// (the path itself when the chain loops).
QString resolvedTarget(const QString &path) {
    QFileInfo info(path);
    for (int depth = 0; depth < 128 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.isSymLink() ? QFileInfo(path).absoluteFilePath() : info.absoluteFilePath();
}

bool syncFile(const QByteArray &nativePath) {
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

// New files get 0666 less the umask, replaced files keep their mode.
bool applyPermissions(const QByteArray &tempPath, const QByteArray &targetPath) {
    struct stat existing {};
    if (::stat(targetPath.constData(), &existing) == 0)
        return ::chmod(tempPath.constData(), existing.st_mode & 07777) == 0;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return ::chmod(tempPath.constData(), 0666 & ~mask) == 0;
}

// Creates the folder and its missing parents, each readable by the owner alone.
bool createPrivateFolder(const QString &folder) {
    const QFileInfo info(folder);
    if (info.isDir())
        return true;
    const QString parent = info.absolutePath();
    if (parent != info.absoluteFilePath() && !createPrivateFolder(parent))
        return false;
    return ::mkdir(QFile::encodeName(folder).constData(), 0700) == 0 || QFileInfo(folder).isDir();
}

} // namespace

bool saveFileAtomically(const std::string &path, std::string_view bytes, ParentFolder folder,
                        FileAccess access) {
    if (folder == ParentFolder::Create &&
        !createPrivateFolder(QFileInfo(QString::fromStdString(path)).absolutePath()))
        return false;
    return streamFileAtomically(
        path, [bytes](const FileSink &sink) { return sink(bytes); }, access);
}

bool streamFileAtomically(const std::string &path, const std::function<bool(const FileSink &sink)> &fill,
                          FileAccess access) {
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Before the first byte, so that the content is never readable by others.
    if (access == FileAccess::OwnerOnly && ::fchmod(file.handle(), 0600) != 0) {
        file.cancelWriting();
        return false;
    }
    const FileSink sink = [&file](std::string_view piece) {
        const auto size = static_cast<qint64>(piece.size());
        return file.write(piece.data(), size) == size;
    };
    if (!fill(sink)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool replaceFileAtomically(const std::string &path,
                           const std::function<bool(const std::string &tempPath)> &writer) {
    const QString target = resolvedTarget(QString::fromStdString(path));
    const QFileInfo info(target);
    if (info.isDir())
        return false;
    QTemporaryFile temp(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                        QStringLiteral(".XXXXXX"));
    if (!temp.open())
        return false;
    temp.close(); // reserves the name; removed again unless renamed
    const QByteArray tempNative = QFile::encodeName(temp.fileName());
    const QByteArray targetNative = QFile::encodeName(target);
    if (!writer(tempNative.toStdString()) || !applyPermissions(tempNative, targetNative) ||
        !syncFile(tempNative))
        return false;
    if (std::rename(tempNative.constData(), targetNative.constData()) != 0)
        return false;
    temp.setAutoRemove(false);
    return true;
}

} // namespace orbisel
