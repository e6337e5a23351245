// How the native build turns the plugin's Windows-style GBK paths into POSIX paths.
#pragma once

#include <string>

#include "primitives/text.hpp"

namespace quillora {

// "\" becomes "/" where a character begins (a GBK trail byte may be 0x5C), and the
// path is converted from GBK to UTF-8, as Windows converts an ANSI path. A path that
// is not valid GBK is kept as its bytes.
std::string NativePath(const Text& path);

}  // namespace quillora
