#include "service/ServiceAddress.h"

#include "app/Program.h"

#include <cctype>
#include <string_view>

namespace orbisel {
namespace {

bool startsWithNoCase(const Text &text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    return true;
}

} // namespace

bool isWebAddress(const Text &address) {
    for (std::string_view scheme : {"http://", "https://"})
        if (startsWithNoCase(address, scheme) && address.size() > scheme.size())
            return true;
    return false;
}

bool openServiceAddress(const Text &address) {
    if (!isWebAddress(address))
        return false;
    openAddress(address);
    return true;
}

} // namespace orbisel
