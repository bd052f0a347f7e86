#include "service/UpdateFtp.h"

#include "app/Responsive.h"
#include "orbisel/config.h"
#include "web/Curl.h"
#include "web/Gbk.h"
#include "web/SaveFile.h"

#include <QDir>
#include <memory>

namespace orbisel {
namespace {

// The FTP connection lives in this handle until the next connect or the end of
// the process; a transfer holds its own reference while it runs.
using CurlHandle = std::shared_ptr<CURL>;

CurlHandle &session() {
    static CurlHandle handle;
    return handle;
}

CurlHandle newSession() {
    session() = CurlHandle(newCurlEasy());
    return session();
}

std::string serverUrl(const FtpEndpoint &endpoint) {
    std::string host = endpoint.host;
    if (host.find(':') != std::string::npos)
        host = "[" + host + "]";
    return "ftp://" + host + ":" + std::to_string(endpoint.port) + "/";
}

// Options shared by every request: account, active mode, binary, time-outs.
void configure(CURL *handle, const FtpEndpoint &endpoint, const std::string &url) {
    curl_easy_reset(handle); // keeps the open connection
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(handle, CURLOPT_USERNAME, endpoint.user.c_str());
    curl_easy_setopt(handle, CURLOPT_PASSWORD, endpoint.password.c_str());
    curl_easy_setopt(handle, CURLOPT_FTPPORT, "-");
    curl_easy_setopt(handle, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    const long timeout = static_cast<long>(endpoint.timeoutSeconds);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, timeout);
    curl_easy_setopt(handle, CURLOPT_ACCEPTTIMEOUT_MS, timeout * 1000);
    curl_easy_setopt(handle, CURLOPT_SERVER_RESPONSE_TIMEOUT, timeout);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, timeout);
}

size_t writeToFile(char *data, size_t size, size_t count, void *sink) {
    return (*static_cast<const FileSink *>(sink))(std::string_view(data, size * count)) ? size * count : 0;
}

} // namespace

FtpEndpoint &ftpEndpoint() {
    static FtpEndpoint endpoint{config::kFtpHost, config::kFtpPort, config::kFtpUser,
                                config::kServiceDbPassword, config::kFtpTimeoutSeconds};
    return endpoint;
}

bool connectUpdateFtp() {
    session().reset();
    const CurlHandle handle = newSession();
    if (!handle)
        return false;
    const FtpEndpoint endpoint = ftpEndpoint();
    configure(handle.get(), endpoint, serverUrl(endpoint));
    curl_easy_setopt(handle.get(), CURLOPT_NOBODY, 1L); // log in, no transfer
    return waitResponsive([&] { return curl_easy_perform(handle.get()) == CURLE_OK; });
}

bool isPlainFileName(const Text &name) {
    const QString local = fromGbk(name);
    if (local.isEmpty() || local == QLatin1String(".") || local == QLatin1String(".."))
        return false;
    for (QChar c : local)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.unicode() < 0x20)
            return false;
    return true;
}

bool downloadUpdateFile(const Text &name) {
    if (!isPlainFileName(name))
        return false;
    const CurlHandle transfer = session() ? session() : newSession();
    if (!transfer)
        return false;
    CURL *handle = transfer.get();
    const FtpEndpoint endpoint = ftpEndpoint();
    char *escaped = curl_easy_escape(handle, name.data(), static_cast<int>(name.size()));
    if (!escaped)
        return false;
    const std::string url = serverUrl(endpoint) + escaped;
    curl_free(escaped);
    const QString path = QDir::current().filePath(fromGbk(name));
    return waitResponsive([&] {
        return streamFileAtomically(path.toStdString(), [&](const FileSink &sink) {
            configure(handle, endpoint, url);
            curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &writeToFile);
            curl_easy_setopt(handle, CURLOPT_WRITEDATA, &sink);
            return curl_easy_perform(handle) == CURLE_OK;
        });
    });
}

} // namespace orbisel
