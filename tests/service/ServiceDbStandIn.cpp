// Stands in for the service database client while its source is not part of
// the tree; the tests put their own rows and connector in place.
#include "app/Gbk.h"
#include "app/Program.h"
#include "orbisel/config.h"
#include "service/ServiceDb.h"

namespace orbisel {

ServiceEndpoint &serviceEndpoint() {
    static ServiceEndpoint endpoint{config::kServiceDbHost, config::kServiceDbPort, config::kServiceDbUser,
                                    config::kServiceDbPassword, config::kServiceDbName};
    return endpoint;
}

bool connectService() {
    return false;
}
ServiceRow readServiceRow(const Text &) {
    return {};
}
void disconnectService() {}

void serviceStopped(const Text &message) {
    messageBox(message, kMbOk);
    endProgram(0);
}

Text serviceStoppedMessage() {
    return gbk("软件停止服务 联系QQ") + config::kSupportQq;
}
Text mainServiceStoppedMessage() {
    return gbk("软件停止服务，请联系QQ") + config::kSupportQq;
}

} // namespace orbisel
