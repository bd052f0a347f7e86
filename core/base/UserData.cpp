#include "core/base/UserData.h"

#include <QStandardPaths>

namespace orbisel::core {

std::string userDataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString();
}

std::string userDataFile(std::string_view name) {
    return userDataFolder() + "/" + std::string(name);
}

} // namespace orbisel::core
