#include "chat/charset.hpp"

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>

#include <cerrno>
#endif

namespace quillora::chat {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

#ifdef _WIN32

constexpr UINT kGbkCodePage = 936;

std::wstring Widen(std::string_view text, UINT codePage) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int wide = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  std::wstring out(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), size, out.data(), wide);
  return out;
}

std::string Narrow(const std::wstring& text, UINT codePage, bool* lossless) {
  if (text.empty()) return {};
  BOOL defaulted = FALSE;
  BOOL* usedDefault = codePage == CP_UTF8 ? nullptr : &defaulted;
  const int size = static_cast<int>(text.size());
  const int narrow =
      WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, usedDefault);
  std::string out(static_cast<size_t>(narrow), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), size, out.data(), narrow, nullptr, usedDefault);
  if (lossless != nullptr) *lossless = !defaulted;
  return out;
}

#else

// Converts with iconv; a sequence that the source set cannot decode or the target set
// cannot hold is replaced and skipped, one byte (or one UTF-8 character) at a time.
std::string Convert(std::string_view text, const char* to, const char* from,
                    std::string_view replacement, bool skipUtf8Character, bool* lossless) {
  if (lossless != nullptr) *lossless = true;
  iconv_t converter = iconv_open(to, from);
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::string(text);
  std::string out;
  char buffer[4096];
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t done = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, sizeof buffer - outLeft);
    if (done != static_cast<size_t>(-1) || errno == E2BIG) continue;
    // EILSEQ or EINVAL: a sequence that cannot be converted.
    if (lossless != nullptr) *lossless = false;
    out.append(replacement);
    size_t skip = 1;
    if (skipUtf8Character) {
      const auto lead = static_cast<unsigned char>(*in);
      skip = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
      if (skip > inLeft) skip = inLeft;
    }
    in += skip;
    inLeft -= skip;
  }
  iconv_close(converter);
  return out;
}

#endif

}  // namespace

std::string ToUtf8(std::string_view gbk) {
#ifdef _WIN32
  // The Windows decoder replaces what it cannot read by itself.
  return Narrow(Widen(gbk, kGbkCodePage), CP_UTF8, nullptr);
#else
  return Convert(gbk, "UTF-8", "GBK", kReplacement, false, nullptr);
#endif
}

Text ToGbk(std::string_view utf8, bool* lossless) {
#ifdef _WIN32
  bool converted = true;
  Text out = Narrow(Widen(utf8, CP_UTF8), kGbkCodePage, &converted);
  if (lossless != nullptr) *lossless = converted && IsUtf8(utf8);
  return out;
#else
  return Convert(utf8, "GBK", "UTF-8", "?", true, lossless);
#endif
}

bool IsUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    size_t length = 1;
    uint32_t point = lead;
    if (lead >= 0x80) {
      if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        point = lead & 0x1F;
      } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        point = lead & 0x0F;
      } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        point = lead & 0x07;
      } else {
        return false;
      }
      if (i + length > bytes.size()) return false;
      for (size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[i + k]);
        if ((next & 0xC0) != 0x80) return false;
        point = (point << 6) | (next & 0x3F);
      }
      const bool overlong = (length == 3 && point < 0x800) || (length == 4 && point < 0x10000);
      const bool surrogate = point >= 0xD800 && point <= 0xDFFF;
      if (overlong || surrogate || point > 0x10FFFF) return false;
    }
    i += length;
  }
  return true;
}

bool IsGbk(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    if (lead == 0x80 || lead == 0xFF || i + 1 >= bytes.size()) return false;
    const auto trail = static_cast<unsigned char>(bytes[i + 1]);
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
    i += 2;
  }
  return true;
}

bool HasHighBytes(std::string_view bytes) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

}  // namespace quillora::chat
