#pragma once

#include "web/Text.h"

#include <string_view>

namespace orbisel {

// Host of a URL (absolute http/https or without a scheme), lowercased: the
// text between the scheme marker and the next "/". Without `keepPort` it is
// cut at its first ":". A query without a "/" before it stays in the host,
// and a user-info part is not recognised.
Text urlHost(std::string_view url, bool keepPort = false);
// The port after the host's last ":" (0 when no digits follow), else 443 for
// https and 80 otherwise.
int urlPort(std::string_view url);
// The URL from the first "/" after the host, letter case, query and fragment
// kept; "/" when there is none.
Text urlPath(std::string_view url);

// Percent-encodes ("%XX", uppercase hex) every byte for which `keep` is false.
Text percentEncode(std::string_view bytes, bool (*keep)(unsigned char));

// Percent-encodes every byte ("%XX", uppercase hex) of the text, or of its
// UTF-8 form with `asUtf8`; with `keepUnreserved`, "-", ".", digits and ASCII
// letters stay as they are.
Text urlEncode(std::string_view text, bool keepUnreserved = false, bool asUtf8 = false);

// Merges a received cookie text into a sent one: received items first, then
// sent items whose name the response did not set; items ending in "=deleted"
// dropped, spaces removed, exact duplicates removed. The result is also
// stored into `sent`.
Text mergeCookies(Text &sent, std::string_view received);
// The name of a cookie item: the trimmed text before its first "=", or the
// whole item trimmed.
Text cookieName(std::string_view item);
bool hasCookieName(const TextArray &items, std::string_view name);
// The text with exact duplicate items (split at the delimiter) removed.
Text dedupeItems(std::string_view text, std::string_view delimiter);
// 1-based index of the first element equal to the text, or -1.
int indexOfText(const TextArray &items, std::string_view text);

} // namespace orbisel
