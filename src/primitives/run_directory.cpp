// The run directory, the same on both platforms; ExecutableFolder is per platform.
#include <mutex>

#include "primitives/platform.hpp"
#include "primitives/platform_detail.hpp"

namespace quillora {

namespace {

struct FixedDirectory {
  std::mutex mutex;
  bool fixed = false;
  Text directory;
};

FixedDirectory& Fixed() {
  static FixedDirectory fixed;
  return fixed;
}

}  // namespace

Text RunDirectory() {
  FixedDirectory& fixed = Fixed();
  std::lock_guard<std::mutex> lock(fixed.mutex);
  if (!fixed.fixed) {
    fixed.directory = ExecutableFolder();
    fixed.fixed = true;
  }
  return fixed.directory;
}

void FixRunDirectory(const Text& directory) {
  FixedDirectory& fixed = Fixed();
  std::lock_guard<std::mutex> lock(fixed.mutex);
  fixed.directory = directory;
  fixed.fixed = true;
}

Text FolderOf(std::string_view path, char separator) {
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    if (static_cast<unsigned char>(path[i]) >= 0x80) {
      ++i;  // the second byte of a two-byte character is never a separator
    } else if (path[i] == separator) {
      last = i;
    }
  }
  return last == std::string_view::npos ? Text() : Text(path.substr(0, last));
}

}  // namespace quillora
