// GBK, the plugin's character set, against UTF-8, the terminal's and the scripts'.
// Inside the simulator every text is GBK; it becomes UTF-8 only where it is shown.
#pragma once

#include <string>
#include <string_view>

#include "primitives/text.hpp"

namespace quillora::chat {

// Bytes that are not GBK become U+FFFD, so a broken reply still shows.
std::string ToUtf8(std::string_view gbk);
// Characters that GBK lacks become "?"; *lossless (when given) tells whether any did.
Text ToGbk(std::string_view utf8, bool* lossless = nullptr);

// Well-formed UTF-8 (no overlong forms, no surrogates).
bool IsUtf8(std::string_view bytes);
// Well-formed GBK: lead bytes 0x81-0xFE, each followed by a trail byte 0x40-0xFE but 0x7F.
bool IsGbk(std::string_view bytes);
// True when the bytes hold at least one byte of 0x80 or above.
bool HasHighBytes(std::string_view bytes);

}  // namespace quillora::chat
