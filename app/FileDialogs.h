#pragma once

#include "web/Text.h"

#include <QString>
#include <functional>
#include <optional>

namespace orbisel {

// Settings of one showing of the save-file dialog; the texts are GBK, the path is not.
struct SaveDialogRequest {
    Text title;
    // Windows form: "description|pattern|description|pattern".
    Text filter;
    Text defaultExtension; // without the dot, appended when the name has no suffix
    QString initialPath;
};

// Shows the save-file dialog; the chosen full path, or nothing when cancelled.
std::optional<QString> askSaveFileName(const SaveDialogRequest &request);

// Qt name filters from the Windows form: each pair becomes "description (pattern)",
// the description alone when it already ends with that parenthesised pattern.
QStringList qtNameFilters(const Text &windowsFilter);

// The suffix a bare name gets under the chosen Qt name filter: the filter's
// first "*.ext" pattern in lower case, else the request's default.
QString suffixForFilter(const QString &nameFilter, const QString &defaultSuffix);

// Test seam: replaces the dialog (an empty handler restores it).
void setSaveFileDialogHandler(std::function<std::optional<QString>(const SaveDialogRequest &)> handler);

} // namespace orbisel
