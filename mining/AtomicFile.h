#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace orbisel {

// Writes the bytes to path through a temporary file of the same folder that
// replaces path only once it is complete; an existing file survives a failure.
bool saveFileAtomically(const QString &path, const QByteArray &bytes);

// The same for files that a library writes by name: `writer` fills the
// temporary file whose path it receives and returns whether it succeeded.
bool replaceFileAtomically(const QString &path, const std::function<bool(const QString &tempPath)> &writer);

} // namespace orbisel
