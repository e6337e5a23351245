// Small text services exported for any caller.
#pragma once

#include "primitives/platform.hpp"
#include "primitives/text.hpp"

namespace quillora {

// The part of text between the first left marker and the first right marker behind it
// (ASCII case ignored). A missing marker is not tested for: its -1 is carried through
// the positions, which callers (the nickname lookup) rely on.
Text 取文本之间(const Text& text, const Text& left, const Text& right);
// The text without spaces, CR LF pairs and backslash-r pairs, each removed in a pass
// of its own.
Text 去空格换行(const Text& text);
// Today's date as year/month/day, e.g. 2014/2/13; the second form for a given date.
Text 时间格式化();
Text 时间格式化(const DateTime& dateTime);

}  // namespace quillora
