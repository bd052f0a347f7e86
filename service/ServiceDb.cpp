#include "service/ServiceDb.h"

#include "orbisel/config.h"
#include "web/Clock.h"
#include "web/Encoding.h"

#include <chrono>
#include <cstring>
#include <errmsg.h>
#include <mysql.h>
#include <mysqld_error.h>
#include <optional>

namespace orbisel {

namespace {

MYSQL *g_connection = nullptr;
// When the last connection attempt failed; readers retry no sooner than the retry interval after it.
std::optional<TimePoint> g_lastFailedConnect;

void closeConnection() {
    if (g_connection) {
        mysql_close(g_connection);
        g_connection = nullptr;
    }
}

MYSQL *openConnection(const ServiceEndpoint &endpoint) {
    MYSQL *handle = mysql_init(nullptr);
    if (!handle)
        return nullptr;
    const unsigned int timeout = endpoint.timeoutSeconds;
    const unsigned int protocol = MYSQL_PROTOCOL_TCP;
    mysql_options(handle, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
    mysql_options(handle, MYSQL_OPT_READ_TIMEOUT, &timeout);
    mysql_options(handle, MYSQL_OPT_WRITE_TIMEOUT, &timeout);
    mysql_options(handle, MYSQL_OPT_PROTOCOL, &protocol);
    if (!mysql_real_connect(handle, endpoint.host.c_str(), endpoint.user.c_str(), endpoint.password.c_str(),
                            endpoint.database.c_str(), endpoint.port, nullptr, 0)) {
        mysql_close(handle);
        return nullptr;
    }
    return handle;
}

void execute(const Text &statement) {
    if (mysql_real_query(g_connection, statement.data(), statement.size()) == 0) {
        // Statements without a result set give none; anything else is dropped.
        if (MYSQL_RES *result = mysql_store_result(g_connection))
            mysql_free_result(result);
    }
}

// The last error means the connection is gone (client side, killed or server shutting down),
// not merely that the statement failed.
bool connectionLost() {
    const unsigned int error = mysql_errno(g_connection);
    return (error >= CR_MIN_ERROR && error <= CR_MAX_ERROR) || error == ER_CONNECTION_KILLED ||
           error == ER_SERVER_SHUTDOWN;
}

bool connect() {
    closeConnection();
    g_connection = openConnection(serviceEndpoint());
    if (g_connection)
        g_lastFailedConnect.reset();
    else
        g_lastFailedConnect = now();
    return g_connection != nullptr;
}

// Readers connect again at most once per retry interval while the server stays away.
bool reconnectIfDue() {
    if (g_lastFailedConnect) {
        const TimePoint t = now();
        const auto retry = std::chrono::seconds(config::kServiceDbRetrySeconds);
        if (t >= *g_lastFailedConnect && t - *g_lastFailedConnect < retry)
            return false;
    }
    return connect();
}

// A column value as a text; NULL reads as empty, a value is cut at an embedded NUL.
Text columnText(const char *value, unsigned long length) {
    if (!value)
        return {};
    const void *nul = std::memchr(value, '\0', length);
    return Text(value, nul ? static_cast<const char *>(nul) - value : length);
}

// The first matching row; nothing when the connection was lost on the way.
std::optional<ServiceRow> queryRow(const Text &condition) {
    ServiceRow row;
    execute("set names gbk");
    const Text statement = "select * from woai where " + condition;
    if (mysql_real_query(g_connection, statement.data(), statement.size()) != 0)
        return connectionLost() ? std::nullopt : std::optional(row);
    MYSQL_RES *result = mysql_store_result(g_connection);
    if (!result)
        return connectionLost() ? std::nullopt : std::optional(row);
    if (MYSQL_ROW values = mysql_fetch_row(result)) {
        const unsigned long *lengths = mysql_fetch_lengths(result);
        const unsigned int columns = mysql_num_fields(result);
        for (unsigned int i = 0; i < row.size() && i < columns; ++i)
            row[i] = columnText(values[i], lengths[i]);
    }
    mysql_free_result(result);
    return row;
}

} // namespace

ServiceEndpoint &serviceEndpoint() {
    static ServiceEndpoint endpoint{config::kServiceDbHost, config::kServiceDbPort,
                                    config::kServiceDbUser, config::kServiceDbPassword,
                                    config::kServiceDbName, config::kServiceDbTimeoutSeconds};
    return endpoint;
}

bool connectService() {
    return connect();
}

ServiceRow readServiceRow(const Text &condition) {
    const bool fresh = !g_connection;
    if (fresh && !reconnectIfDue())
        return {};
    const auto started = std::chrono::steady_clock::now();
    if (std::optional<ServiceRow> row = queryRow(condition))
        return *row;
    closeConnection();
    // A connection that broke at once (server restarted) is replaced within this read; one that ran
    // into a time-out is left to a later read, so that no read waits for two time-outs.
    if (fresh || std::chrono::steady_clock::now() - started >= std::chrono::seconds(1) || !reconnectIfDue())
        return {};
    return queryRow(condition).value_or(ServiceRow{});
}

void disconnectService() {
    closeConnection();
    g_lastFailedConnect.reset();
}

Text serviceStoppedMessage() {
    return utf8ToGbk("软件停止服务 联系QQ") + config::kSupportQq;
}

Text mainServiceStoppedMessage() {
    return utf8ToGbk("软件停止服务，请联系QQ") + config::kSupportQq;
}

} // namespace orbisel
