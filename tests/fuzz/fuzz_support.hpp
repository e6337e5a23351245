// What the three fuzz harnesses share: taking an input apart and stopping loudly when
// a property fails, so that libFuzzer keeps the input and the replay test fails on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace quillora::fuzz {

// The input's pieces between zero bytes; a text never holds a zero byte, so every
// piece is a text as a host could pass it. At most limit pieces: the last one keeps
// the rest of the input, zero bytes included.
inline std::vector<std::string_view> Pieces(const uint8_t* data, size_t size, size_t limit) {
  std::vector<std::string_view> pieces;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  while (pieces.size() + 1 < limit) {
    const size_t zero = rest.find('\0');
    if (zero == std::string_view::npos) break;
    pieces.push_back(rest.substr(0, zero));
    rest.remove_prefix(zero + 1);
  }
  pieces.push_back(rest);
  return pieces;
}

// Printable form of bytes for a failure report: ASCII as it is, the rest as \xNN.
inline std::string Shown(std::string_view bytes) {
  std::string shown;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
      shown += c;
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      shown += escape;
    }
  }
  return shown.size() > 600 ? shown.substr(0, 600) + "..." : shown;
}

[[noreturn]] inline void Fail(const char* file, int line, const char* what,
                              const std::string& detail) {
  std::fprintf(stderr, "%s:%d: property failed: %s\n%s\n", file, line, what, detail.c_str());
  std::abort();
}

}  // namespace quillora::fuzz

// Stops the run when the property does not hold; detail is evaluated only then.
#define FUZZ_CHECK(condition, detail)                                   \
  do {                                                                  \
    if (!(condition)) {                                                 \
      ::quillora::fuzz::Fail(__FILE__, __LINE__, #condition, (detail)); \
    }                                                                   \
  } while (false)
