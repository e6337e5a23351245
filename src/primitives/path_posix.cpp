#include <iconv.h>

#include "primitives/posix_path.hpp"

namespace quillora {

namespace {

std::string GbkToUtf8(const std::string& gbk) {
  iconv_t converter = iconv_open("UTF-8", "GBK");
  if (converter == reinterpret_cast<iconv_t>(-1)) return gbk;
  std::string out(gbk.size() * 2 + 4, '\0');
  char* in = const_cast<char*>(gbk.data());
  size_t inLeft = gbk.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  size_t done = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
  iconv_close(converter);
  if (done == static_cast<size_t>(-1) || inLeft != 0) return gbk;
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace

std::string NativePath(const Text& path) {
  std::string mapped;
  mapped.reserve(path.size());
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char byte = static_cast<unsigned char>(path[i]);
    if (byte >= 0x80 && i + 1 < path.size()) {
      mapped += path[i];
      mapped += path[++i];
    } else {
      mapped += byte == '\\' ? '/' : path[i];
    }
  }
  return GbkToUtf8(mapped);
}

}  // namespace quillora
