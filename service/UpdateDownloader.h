#pragma once

#include "app/Window.h"

namespace orbisel {

// The update downloader: connects to the update FTP server, waits for the
// update file name from the service database, downloads it into the current
// directory, tells the user and closes.
Window *createUpdateDownloader();

} // namespace orbisel
