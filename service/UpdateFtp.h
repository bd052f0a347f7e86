#pragma once

#include "web/Text.h"

#include <string>

namespace orbisel {

// The update FTP server; defaults come from the build configuration. Tests
// point it at their own server.
struct FtpEndpoint {
    std::string host;
    unsigned port = 0;
    std::string user;
    std::string password;
    unsigned timeoutSeconds = 20;
};
FtpEndpoint &ftpEndpoint();

// Drops any previous FTP connection and logs in to the update FTP server
// (active mode). The connection is kept for later downloads.
bool connectUpdateFtp();

// True for a bare file name: no path separator, no drive, not "." or "..".
bool isPlainFileName(const Text &name);

// Fetches the remote file `name` (binary) into the current directory under the
// same name, replacing an existing file only when the whole file has arrived.
// Names that are not plain file names are refused. The GUI keeps running
// while the transfer goes on.
bool downloadUpdateFile(const Text &name);

} // namespace orbisel
