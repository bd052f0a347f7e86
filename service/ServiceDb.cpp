#include "service/ServiceDb.h"

#include "orbisel/config.h"
#include "web/Encoding.h"

#include <cstring>
#include <mysql.h>

namespace orbisel {

namespace {

MYSQL *g_connection = nullptr;

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

// A column value as a text; NULL reads as empty, a value is cut at an embedded NUL.
Text columnText(const char *value, unsigned long length) {
    if (!value)
        return {};
    const void *nul = std::memchr(value, '\0', length);
    return Text(value, nul ? static_cast<const char *>(nul) - value : length);
}

} // namespace

ServiceEndpoint &serviceEndpoint() {
    static ServiceEndpoint endpoint{config::kServiceDbHost, config::kServiceDbPort,
                                    config::kServiceDbUser, config::kServiceDbPassword,
                                    config::kServiceDbName, config::kServiceDbTimeoutSeconds};
    return endpoint;
}

bool connectService() {
    closeConnection();
    g_connection = openConnection(serviceEndpoint());
    return g_connection != nullptr;
}

ServiceRow readServiceRow(const Text &condition) {
    ServiceRow row;
    if (!g_connection)
        return row;
    execute("set names gbk");
    const Text statement = "select * from woai where " + condition;
    if (mysql_real_query(g_connection, statement.data(), statement.size()) != 0)
        return row;
    MYSQL_RES *result = mysql_store_result(g_connection);
    if (!result)
        return row;
    if (MYSQL_ROW values = mysql_fetch_row(result)) {
        const unsigned long *lengths = mysql_fetch_lengths(result);
        const unsigned int columns = mysql_num_fields(result);
        for (unsigned int i = 0; i < row.size() && i < columns; ++i)
            row[i] = columnText(values[i], lengths[i]);
    }
    mysql_free_result(result);
    return row;
}

void disconnectService() {
    closeConnection();
}

Text serviceStoppedMessage() {
    return utf8ToGbk("软件停止服务 联系QQ") + config::kSupportQq;
}

Text mainServiceStoppedMessage() {
    return utf8ToGbk("软件停止服务，请联系QQ") + config::kSupportQq;
}

} // namespace orbisel
