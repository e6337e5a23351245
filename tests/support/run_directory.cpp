#include "run_directory.hpp"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <stdexcept>

#include "primitives/platform.hpp"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "primitives/posix_path.hpp"
#endif

namespace quillora::testing {

namespace {

#ifdef _WIN32
std::string Convert(const std::string& text, UINT to, UINT from) {
  if (text.empty()) return text;
  int wide = MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring middle(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), middle.data(), wide);
  int narrow = WideCharToMultiByte(to, 0, middle.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(narrow), '\0');
  WideCharToMultiByte(to, 0, middle.data(), wide, out.data(), narrow, nullptr, nullptr);
  return out;
}
constexpr UINT kGbk = 936;
constexpr UINT kUtf8 = CP_UTF8;
#else
std::string Convert(const std::string& text, const char* to, const char* from) {
  iconv_t converter = iconv_open(to, from);
  if (converter == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open");
  std::string out(text.size() * 4 + 4, '\0');
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  size_t done = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
  iconv_close(converter);
  if (done == static_cast<size_t>(-1)) throw std::runtime_error("iconv");
  out.resize(out.size() - outLeft);
  return out;
}
constexpr const char* kGbk = "GBK";
constexpr const char* kUtf8 = "UTF-8";
#endif

std::atomic<int> folderCounter{0};

}  // namespace

bool RunningOnWine() {
#ifdef _WIN32
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
#else
  return false;
#endif
}

Text Gbk(const std::string& utf8) {
  return Convert(utf8, kGbk, kUtf8);
}
std::string Utf8(const Text& gbk) {
  return Convert(gbk, kUtf8, kGbk);
}

#ifdef _WIN32

void WriteFileBytes(const Text& path, const Bytes& content) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write " + path);
  DWORD written = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
}

Bytes ReadFileBytes(const Text& path) {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());  // flush pending writes
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  Bytes content;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
    content.append(buffer, got);
  CloseHandle(file);
  return content;
}

bool FileExists(const Text& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
void MakeFolder(const Text& path) {
  // Each folder on the way, at every "\" that begins a character (a GBK character's
  // second byte can be 0x5C).
  for (size_t i = 0; i <= path.size();) {
    const auto byte = static_cast<unsigned char>(i < path.size() ? path[i] : '\\');
    if (byte == '\\') {
      if (i > 0) CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
      ++i;
    } else {
      i = std::min(i + (byte >= 0x81 ? 2 : 1), path.size());
    }
  }
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    throw std::runtime_error("cannot make folder " + path);
  }
}
void RemoveFile(const Text& path) {
  DeleteFileA(path.c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
}

namespace {
void RemoveTree(const Text& dir) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      Text name = entry.cFileName;
      if (name == "." || name == "..") continue;
      Text full = dir + "\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full);
      } else {
        DeleteFileA(full.c_str());
      }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  RemoveDirectoryA(dir.c_str());
}
}  // namespace

void RunDirectoryTest::SetUp() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  Text base = temp;
  if (!base.empty() && base.back() == '\\') base.pop_back();
  dir_ = base + "\\quillora-test-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(folderCounter++);
  RemoveTree(dir_);
  MakeFolder(dir_);
  MakeFolder(dir_ + "\\config");
  MakeFolder(dir_ + "\\plugin");
  FixRunDirectory(dir_);
}

void RunDirectoryTest::TearDown() {
  RemoveTree(dir_);
}

#else

void WriteFileBytes(const Text& path, const Bytes& content) {
  std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

Bytes ReadFileBytes(const Text& path) {
  std::ifstream in(NativePath(path), std::ios::binary);
  if (!in) return "<missing>";
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const Text& path) {
  return std::filesystem::exists(NativePath(path));
}
void MakeFolder(const Text& path) {
  std::filesystem::create_directories(NativePath(path));
}
void RemoveFile(const Text& path) {
  std::filesystem::remove(NativePath(path));
}

void RunDirectoryTest::SetUp() {
  std::string base = std::filesystem::temp_directory_path().string();
  dir_ =
      base + "/quillora-test-" + std::to_string(getpid()) + "-" + std::to_string(folderCounter++);
  std::filesystem::remove_all(dir_);
  MakeFolder(dir_);
  MakeFolder(dir_ + "\\config");
  MakeFolder(dir_ + "\\plugin");
  FixRunDirectory(dir_);
}

void RunDirectoryTest::TearDown() {
  std::filesystem::remove_all(dir_);
}

#endif

}  // namespace quillora::testing
