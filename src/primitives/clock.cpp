// The date text, the same on both platforms; Now is per platform.
#include "primitives/platform.hpp"

namespace quillora {

Text DateText(const DateTime& dateTime) {
  return Concat(NumberText(static_cast<int32_t>(dateTime.year)), "年",
                NumberText(static_cast<int32_t>(dateTime.month)), "月",
                NumberText(static_cast<int32_t>(dateTime.day)), "日");
}

}  // namespace quillora
