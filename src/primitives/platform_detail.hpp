// Pieces that the two platform files share, and the seams the unit tests reach into.
// Nothing outside src/primitives and the tests needs them.
#pragma once

#include <cstdint>
#include <string_view>

#include "primitives/text.hpp"

namespace quillora {

// The path up to, not including, its last separator; the empty text when it has none.
// Steps over two-byte GBK characters, whose second byte may be 0x5C ("\").
Text FolderOf(std::string_view path, char separator);

// SeedRandom with a given tick count instead of the clock; returns the seed it set.
uint32_t SeedRandomFrom(uint32_t tick);

// The web fetch, the same on both platforms apart from the HTTP client.
inline constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
// Connect, send and receive together, redirects included.
inline constexpr uint32_t kFetchBudgetMilliseconds = 5000;
inline constexpr int kMaxRedirects = 10;

struct UrlParts {
  bool secure = false;  // https
  Text user;
  Text password;
  bool hasUser = false;
  Text host;  // without the brackets of an IPv6 address
  uint16_t port = 0;
  Text origin;  // scheme "://" authority, as written
  Text target;  // path and query as written, "/" when the url has no path
};

// Splits an http or https url (without a "#" part). False when it cannot be split or
// names another scheme.
bool SplitUrl(std::string_view url, UrlParts& parts);

// The url that a Location header sends a request for base to.
Text ResolveLocation(std::string_view base, std::string_view location);

// The request target as sent: bytes that would break the request line (space, control
// bytes) are percent-encoded; every other byte stands as written.
Text RequestTarget(std::string_view target);

bool IsRedirectStatus(long status);

}  // namespace quillora
