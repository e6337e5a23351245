// Profile files on POSIX: the format of profile_file.hpp on disk, behaving as the
// plugin's Windows profile calls do. A file is replaced whole and atomically (a
// temporary file in the same folder, then a rename), so a crash never leaves a torn
// file and another reader sees it either before or after a write.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "primitives/platform.hpp"
#include "primitives/posix_path.hpp"
#include "primitives/profile_file.hpp"

namespace quillora {

namespace {

// The Windows ReadProfile reads into a buffer of 10,240 bytes, one of them for the
// terminating zero.
constexpr size_t kLongestValue = 10239;

// The Windows ReadProfile skips these before it calls the profile function.
std::string_view SkipLeadingControls(std::string_view text) {
  while (!text.empty() && text.front() >= 0x01 && text.front() <= 0x20)
    text.remove_prefix(1);
  return text;
}

enum class Load { kRead, kMissing, kFailed };

Load LoadFile(const std::string& path, Bytes& content) {
  content.clear();
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? Load::kMissing : Load::kFailed;
  // Read in place, in a buffer of the file's size (and more if it grows meanwhile):
  // growing a text chunk by chunk copies a large file many times.
  struct stat status {};
  const size_t expected = fstat(fd, &status) == 0 && status.st_size > 0
                              ? static_cast<size_t>(status.st_size) + 1
                              : 65536;
  content.resize(expected);
  size_t filled = 0;
  ssize_t got = 0;
  while ((got = read(fd, content.data() + filled, content.size() - filled)) > 0) {
    filled += static_cast<size_t>(got);
    if (filled == content.size()) content.resize(content.size() * 2);
  }
  content.resize(filled);
  close(fd);
  return got == 0 ? Load::kRead : Load::kFailed;
}

bool WriteAll(int fd, const Bytes& content) {
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t wrote = write(fd, content.data() + done, content.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += static_cast<size_t>(wrote);
  }
  return true;
}

// Replaces the file at path with content, or leaves everything as it was: when the
// folder is missing (it is never created), or the file is read-only or not a file.
void ReplaceFile(const std::string& path, const Bytes& content) {
  // Through a symbolic link, the file it names is replaced, not the link.
  std::string target = path;
  if (char* resolved = realpath(path.c_str(), nullptr)) {
    target = resolved;
    std::free(resolved);
  }
  struct stat existing {};
  const bool exists = stat(target.c_str(), &existing) == 0;
  if (exists) {
    if (!S_ISREG(existing.st_mode)) return;
    // No write permission for anybody is the read-only attribute of Windows, which
    // holds for root as well.
    if ((existing.st_mode & 0222) == 0 || access(target.c_str(), W_OK) != 0) return;
  }
  static std::atomic<unsigned> counter{0};
  const std::string temporary =
      target + ".~" + std::to_string(getpid()) + "-" + std::to_string(counter++);
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return;
  bool written = WriteAll(fd, content);
  if (exists) {
    written = written && fchmod(fd, existing.st_mode & 07777) == 0;
    if (fchown(fd, existing.st_uid, existing.st_gid) != 0) {
      // Only root may give the file away; anybody else keeps it as its own.
    }
  }
  written = close(fd) == 0 && written;
  if (!written || rename(temporary.c_str(), target.c_str()) != 0) unlink(temporary.c_str());
}

}  // namespace

Text ReadProfile(const Text& file, const Text& section, const Text& key) {
  const std::string_view path = SkipLeadingControls(file);
  const std::string_view name = SkipLeadingControls(section);
  const std::string_view entry = SkipLeadingControls(key);
  if (path.empty() || name.empty() || entry.empty()) return {};
  Bytes content;
  if (LoadFile(NativePath(Text(path)), content) != Load::kRead) return {};
  const std::optional<Text> value = ProfileLookup(content, name, entry);
  // A zero byte in the file ends the value, as it ends the text in the Windows buffer.
  return value ? CutAtCharacter(BytesToText(*value), kLongestValue) : Text();
}

void WriteProfile(const Text& file, const Text& section, const Text& key, const Text& value) {
  const std::string path = NativePath(file);
  Bytes content;
  const Load load = LoadFile(path, content);
  if (load == Load::kFailed) return;  // never replace a file that could not be read
  Bytes updated = ProfileSet(content, section, key, value);
  if (load == Load::kRead && updated == content) return;
  ReplaceFile(path, updated);
}

void DeleteSection(const Text& file, const Text& section) {
  const std::string path = NativePath(file);
  Bytes content;
  if (LoadFile(path, content) != Load::kRead) return;
  if (const std::optional<Bytes> updated = ProfileDeleteSection(content, section)) {
    ReplaceFile(path, *updated);
  }
}

}  // namespace quillora
