#pragma once

#include "web/Text.h"

#include <array>
#include <string>

namespace orbisel {

// Where the service database lives; defaults come from the build configuration.
// Tests point it at their own server.
struct ServiceEndpoint {
    std::string host;
    unsigned port = 0;
    std::string user;
    std::string password;
    std::string database;
    unsigned timeoutSeconds = 5;
};
ServiceEndpoint &serviceEndpoint();

// Columns 0..3 of the first matching row; all empty when nothing was read.
using ServiceRow = std::array<Text, 4>;

// Opens a new process-wide service connection (replacing, and closing, the old one).
bool connectService();
// "set names gbk", then "select * from woai where " + condition (a GBK text).
// A read that finds no connection, or loses it, connects again: at once after a lost connection,
// then no more than once per retry interval (build setting) while the server stays away.
ServiceRow readServiceRow(const Text &condition);
// Closes the connection (end of process, tests); the next read connects again.
void disconnectService();

// The two service-stopped messages, with the configured contact number (GBK).
Text serviceStoppedMessage();     // "软件停止服务 联系QQ" + number
Text mainServiceStoppedMessage(); // "软件停止服务，请联系QQ" + number

} // namespace orbisel
