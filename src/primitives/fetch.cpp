// The parts of the web fetch that do not depend on the HTTP client: splitting a url,
// following a Location header and writing the request target.
#include "primitives/platform_detail.hpp"

namespace quillora {

namespace {

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The scheme of a url: letters, digits, "+", "-" and "." before the first ":", with a
// letter first. Empty when the url has none.
std::string_view SchemeOf(std::string_view url) {
  size_t colon = url.find(':');
  if (colon == std::string_view::npos || colon == 0 || !IsLetter(url[0])) return {};
  for (size_t i = 1; i < colon; ++i) {
    char c = url[i];
    if (!IsLetter(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.') return {};
  }
  return url.substr(0, colon);
}

bool SameAsciiText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

bool ParsePort(std::string_view text, uint16_t& port) {
  if (text.empty() || text.size() > 5) return false;
  uint32_t value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  if (value == 0 || value > 65535) return false;
  port = static_cast<uint16_t>(value);
  return true;
}

}  // namespace

bool SplitUrl(std::string_view url, UrlParts& parts) {
  parts = UrlParts();
  std::string_view scheme = SchemeOf(url);
  if (SameAsciiText(scheme, "https")) {
    parts.secure = true;
  } else if (!SameAsciiText(scheme, "http")) {
    return false;
  }
  std::string_view rest = url.substr(scheme.size() + 1);
  if (rest.substr(0, 2) != "//") return false;
  rest.remove_prefix(2);
  const size_t authorityEnd = rest.find_first_of("/?");
  std::string_view authority = rest.substr(0, authorityEnd);
  parts.origin = Text(url.substr(0, scheme.size() + 3 + authority.size()));
  parts.target = authorityEnd == std::string_view::npos ? Text() : Text(rest.substr(authorityEnd));
  if (parts.target.empty() || parts.target[0] == '?') parts.target = Concat("/", parts.target);

  const size_t at = authority.rfind('@');
  if (at != std::string_view::npos) {
    std::string_view userInfo = authority.substr(0, at);
    const size_t colon = userInfo.find(':');
    parts.hasUser = true;
    parts.user = Text(userInfo.substr(0, colon));
    if (colon != std::string_view::npos) parts.password = Text(userInfo.substr(colon + 1));
    authority.remove_prefix(at + 1);
  }

  std::string_view port;
  if (!authority.empty() && authority[0] == '[') {
    const size_t close = authority.find(']');
    if (close == std::string_view::npos) return false;
    parts.host = Text(authority.substr(1, close - 1));
    std::string_view after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after[0] != ':') return false;
      port = after.substr(1);
    }
  } else {
    const size_t colon = authority.rfind(':');
    parts.host = Text(authority.substr(0, colon));
    if (colon != std::string_view::npos) port = authority.substr(colon + 1);
  }
  if (parts.host.empty()) return false;
  if (port.empty()) {
    parts.port = parts.secure ? 443 : 80;
  } else if (!ParsePort(port, parts.port)) {
    return false;
  }
  return true;
}

Text ResolveLocation(std::string_view base, std::string_view location) {
  if (!SchemeOf(location).empty()) return Text(location);
  UrlParts parts;
  if (!SplitUrl(base, parts)) return Text(location);
  if (location.substr(0, 2) == "//") return Concat(SchemeOf(base), ":", location);
  if (location.empty()) return Text(base);
  if (location[0] == '/') return Concat(parts.origin, location);
  std::string_view path = parts.target;
  path = path.substr(0, path.find('?'));
  if (location[0] == '?') return Concat(parts.origin, path, location);
  return Concat(parts.origin, path.substr(0, path.rfind('/') + 1), location);
}

Text RequestTarget(std::string_view target) {
  static const char kHex[] = "0123456789ABCDEF";
  Text sent;
  sent.reserve(target.size());
  for (char c : target) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F) {
      sent += '%';
      sent += kHex[byte >> 4];
      sent += kHex[byte & 0x0F];
    } else {
      sent += c;
    }
  }
  return sent;
}

bool IsRedirectStatus(long status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace quillora
