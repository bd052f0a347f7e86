#include "web/SaveFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace orbisel {

bool saveFileAtomically(const std::string &path, std::string_view bytes) {
    const QString name = QString::fromStdString(path);
    if (!QDir().mkpath(QFileInfo(name).absolutePath()))
        return false;
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace orbisel
