#include "mining/AtomicFile.h"

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

// The file a write to path lands in (the target of a symbolic link).
QString resolvedTarget(const QString &path) {
    const QFileInfo info(path);
    return info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
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

} // namespace

bool saveFileAtomically(const QString &path, const QByteArray &bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size())
        return false; // the temporary file is discarded
    return file.commit();
}

bool replaceFileAtomically(const QString &path, const std::function<bool(const QString &tempPath)> &writer) {
    const QString target = resolvedTarget(path);
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
    if (!writer(temp.fileName()) || !applyPermissions(tempNative, targetNative) || !syncFile(tempNative))
        return false;
    if (std::rename(tempNative.constData(), targetNative.constData()) != 0)
        return false;
    temp.setAutoRemove(false);
    return true;
}

} // namespace orbisel
