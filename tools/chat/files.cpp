#include "chat/files.hpp"

#include <fstream>
#include <iterator>
#include <system_error>

#include "chat/charset.hpp"

#ifdef _WIN32
#include <windows.h>
#else
#include "primitives/posix_path.hpp"
#endif

namespace quillora::chat {

std::filesystem::path FsPath(const Text& path) {
#ifdef _WIN32
  // The plugin opens its files through the ANSI calls; the same conversion here.
  if (path.empty()) return {};
  const int size = static_cast<int>(path.size());
  const int wide = MultiByteToWideChar(CP_ACP, 0, path.data(), size, nullptr, 0);
  std::wstring out(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path.data(), size, out.data(), wide);
  return std::filesystem::path(out);
#else
  return std::filesystem::path(NativePath(path));
#endif
}

bool TextPath(const std::filesystem::path& path, Text* text) {
#ifdef _WIN32
  const std::wstring wide = path.wstring();
  text->clear();
  if (wide.empty()) return true;
  const int size = static_cast<int>(wide.size());
  BOOL defaulted = FALSE;
  const int narrow =
      WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, &defaulted);
  text->assign(static_cast<size_t>(narrow), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), size, text->data(), narrow, nullptr, nullptr);
  return !defaulted;
#else
  // The plugin's paths are GBK; its path mapping turns them back into these UTF-8 names.
  bool lossless = true;
  *text = ToGbk(path.string(), &lossless);
  return lossless;
#endif
}

Text ParentFolder(const Text& path) {
  size_t cut = Text::npos;
  for (size_t i = 0; i < path.size(); i += static_cast<unsigned char>(path[i]) >= 0x80 ? 2 : 1) {
    if (path[i] == '\\') cut = i;
  }
  return cut == Text::npos ? Text() : path.substr(0, cut);
}

bool FileExists(const Text& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(FsPath(path), error);
}

bool FolderExists(const Text& path) {
  std::error_code error;
  return std::filesystem::is_directory(FsPath(path), error);
}

bool ReadFileBytes(const Text& path, Bytes* content) {
  std::ifstream in(FsPath(path), std::ios::binary);
  if (!in) return false;
  content->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteFileBytes(const Text& path, const Bytes& content) {
  const std::filesystem::path target = FsPath(path);
  std::filesystem::path temporary = target;
  temporary += ".quillora-tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out.flush()) return false;
  }
  std::error_code error;
#ifdef _WIN32
  // Replaces an existing file, which a plain rename may refuse on Windows.
  const bool moved = MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  if (!moved) std::filesystem::remove(temporary, error);
  return moved;
#else
  std::filesystem::rename(temporary, target, error);
  if (error) std::filesystem::remove(temporary, error);
  return !error;
#endif
}

bool MakeFolders(const Text& path) {
  std::error_code error;
  std::filesystem::create_directories(FsPath(path), error);
  return FolderExists(path);
}

bool CopyFileTo(const Text& from, const Text& to) {
#ifdef _WIN32
  // libstdc++'s copy_file takes any two files on one drive for the same file (it compares
  // inode numbers, which Windows does not have) and will not overwrite: "File exists".
  return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
#else
  std::error_code error;
  std::filesystem::copy_file(FsPath(from), FsPath(to),
                             std::filesystem::copy_options::overwrite_existing, error);
  return !error;
#endif
}

}  // namespace quillora::chat
