#pragma once

#include <functional>
#include <string>
#include <string_view>

// Every file the program writes goes through these functions: the content
// goes to a temporary file in the target's folder that replaces the target
// only once it is complete, so a failure leaves an existing file as it was.
// Paths are in the file system's encoding (UTF-8). Writing to a symbolic link
// replaces the file it points to; a replaced file keeps its permissions.
namespace orbisel {

// Whether a missing folder of the target is created (owner-only, 0700) or fails the write.
enum class ParentFolder { Create, MustExist };

// Who may read the file: as the umask or the replaced file says, or its owner alone
// (0600, also when the replaced file allowed more) for secrets.
enum class FileAccess { Default, OwnerOnly };

// Writes the bytes; false when anything fails.
bool saveFileAtomically(const std::string &path, std::string_view bytes,
                        ParentFolder folder = ParentFolder::Create, FileAccess access = FileAccess::Default);

// Receives the content piece by piece; false when the piece was not written.
using FileSink = std::function<bool(std::string_view piece)>;

// For content that streams in: `fill` passes it to the sink and returns
// whether it succeeded. The folder must exist.
bool streamFileAtomically(const std::string &path, const std::function<bool(const FileSink &sink)> &fill,
                          FileAccess access = FileAccess::Default);

// For files a library writes by name: `writer` creates the file whose path it
// receives (a reserved name beside the target) and returns whether it
// succeeded. The temporary file is flushed to disk before it replaces the
// target. The folder must exist.
bool replaceFileAtomically(const std::string &path,
                           const std::function<bool(const std::string &tempPath)> &writer);

} // namespace orbisel
