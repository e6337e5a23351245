// Runs scripts of profile operations against files in folders and prints what they
// read and the files they left, so that two runs can be compared byte for byte: one
// through the Windows profile calls (the Windows build of this program, under Wine)
// and one through the plugin's POSIX profile code (the native build).
//
// Usage: profile_script CASE-FILE FOLDER [CASE-FILE FOLDER ...]
//
// A case file holds, one per line:
//   # a note                   ignored, as are blank lines
//   file NAME crlf|lf|raw      the lines up to "end" make the starting file NAME,
//   ...                        each line followed by CR LF, by LF, or by nothing
//   end
//   read|FILE|SECTION|KEY      prints the value read
//   write|FILE|SECTION|KEY|VALUE
//   delete|FILE|SECTION
//   wine-saves-normalised REASON
//                              Wine rewrites a file whole when it saves it, dropping
//                              blank lines and writing entries as key=value, where
//                              Windows keeps the lines it does not change. Such a case
//                              prints the files in Wine's form on both sides, so that
//                              the entries and their order still get compared.
//   files-differ REASON        the files are not printed, only the values read
// Every field may hold \HH, the byte with hex value HH ("\", "|", "(" and ")" are
// written so), and \*COUNT(TEXT), TEXT repeated COUNT times.
// FILE is relative to FOLDER and may name a subfolder ("sub\5Ca.ini").
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <iconv.h>

#include <filesystem>

#include "primitives/platform.hpp"
#include "primitives/posix_path.hpp"
#endif

namespace {

using Bytes = std::string;

[[noreturn]] void Fail(const std::string& message) {
  std::cerr << "profile_script: " << message << "\n";
  std::exit(2);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

Bytes Unescape(const std::string& field) {
  Bytes out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\') {
      out += field[i];
    } else if (i + 1 < field.size() && field[i + 1] == '*') {
      // \*COUNT(TEXT): TEXT, which holds no ")", COUNT times
      const size_t open = field.find('(', i);
      const size_t close = field.find(')', i);
      if (open == std::string::npos || close == std::string::npos || close < open) {
        Fail("bad repetition in " + field);
      }
      const Bytes unit = Unescape(field.substr(open + 1, close - open - 1));
      for (long n = std::stol(field.substr(i + 2, open - i - 2)); n > 0; --n)
        out += unit;
      i = close;
    } else {
      if (i + 2 >= field.size()) Fail("bad escape in " + field);
      const int high = HexDigit(field[i + 1]);
      const int low = HexDigit(field[i + 2]);
      if (high < 0 || low < 0) Fail("bad escape in " + field);
      out += static_cast<char>(high * 16 + low);
      i += 2;
    }
  }
  return out;
}

std::string EscapeByte(unsigned char byte) {
  if (byte >= 0x21 && byte <= 0x7E && byte != '\\' && byte != '(' && byte != ')') {
    return std::string(1, static_cast<char>(byte));
  }
  char hex[8];
  std::snprintf(hex, sizeof hex, "\\%02X", byte);
  return hex;
}

// Printable ASCII as itself, other bytes (and "\", "(", ")") as \HH, and long runs of
// one or two bytes as \*COUNT(TEXT), the form case files use.
std::string Escape(const Bytes& bytes) {
  std::string out;
  size_t i = 0;
  while (i < bytes.size()) {
    bool folded = false;
    for (size_t unit = 1; unit <= 2 && !folded; ++unit) {
      size_t count = 1;
      while (i + (count + 1) * unit <= bytes.size() &&
             bytes.compare(i + count * unit, unit, bytes, i, unit) == 0) {
        ++count;
      }
      if (count >= 8) {
        out += "\\*" + std::to_string(count) + "(";
        for (size_t k = 0; k < unit; ++k)
          out += EscapeByte(static_cast<unsigned char>(bytes[i + k]));
        out += ")";
        i += count * unit;
        folded = true;
      }
    }
    if (!folded) out += EscapeByte(static_cast<unsigned char>(bytes[i++]));
  }
  return out;
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  for (char c : line) {
    if (c == '|') {
      fields.push_back(Unescape(field));
      field.clear();
    } else {
      field += c;
    }
  }
  fields.push_back(Unescape(field));
  return fields;
}

// Wine's form of a saved file: no blank lines, lines ended by CR LF, section lines as
// "[name]" and entries as key=value, without the blanks around names, keys and values.
Bytes WineForm(const Bytes& file) {
  auto trim = [](const std::string& text) {
    const size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) return std::string();
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
  };
  Bytes out;
  size_t start = 0;
  while (start < file.size()) {
    size_t end = file.find_first_of("\r\n", start);
    if (end == Bytes::npos) end = file.size();
    std::string line = trim(file.substr(start, end - start));
    start = end + 1;
    if (line.empty()) continue;
    const size_t close = line.rfind(']');
    const size_t equals = line.find('=');
    if (line[0] == '[' && close != std::string::npos) {
      out.append("[").append(trim(line.substr(1, close - 1))).append("]");
    } else if (equals != std::string::npos) {
      out.append(trim(line.substr(0, equals))).append("=").append(trim(line.substr(equals + 1)));
    } else {
      out.append(line);
    }
    out.append("\r\n");
  }
  return out;
}

#ifdef _WIN32

// A path from the command line: a Unix path names a file on Wine's drive Z:.
std::string HostPath(const std::string& given) {
  std::string path = given;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

void WriteStartFile(const std::string& path, const Bytes& content) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail("cannot create " + path);
  DWORD written = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
}

// The plugin's Windows ReadProfile: leading bytes 0x01 to 0x20 skipped, an empty
// argument reads nothing, and a buffer of 10,240 bytes.
const char* SkipLeading(const Bytes& text) {
  const char* p = text.c_str();
  while (*p >= 0x01 && *p <= 0x20)
    ++p;
  return p;
}

Bytes Read(const std::string& path, const Bytes& section, const Bytes& key) {
  const char* file = SkipLeading(path);
  const char* name = SkipLeading(section);
  const char* entry = SkipLeading(key);
  if (!*file || !*name || !*entry) return {};
  std::vector<char> buffer(10240, '\0');
  GetPrivateProfileStringA(name, entry, "", buffer.data(), 10240, file);
  // The text up to the zero: a value cut inside a two-byte character comes back with
  // the count of the full buffer but a zero in place of the lone first byte.
  return Bytes(buffer.data());
}

void Write(const std::string& path, const Bytes& section, const Bytes& key, const Bytes& value) {
  WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
}

void Delete(const std::string& path, const Bytes& section) {
  WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, path.c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
}

// Names and contents of the files in the folder and its subfolders, sorted by name.
void ListFiles(const std::string& folder, const std::string& prefix,
               std::vector<std::pair<std::string, Bytes>>& files) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    std::string full = folder + "\\" + name;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      files.push_back({prefix + name + "\\", "<folder>"});
      ListFiles(full, prefix + name + "\\", files);
      continue;
    }
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, full.c_str());
    std::ifstream in(full, std::ios::binary);
    files.push_back({prefix + name, Bytes(std::istreambuf_iterator<char>(in), {})});
  } while (FindNextFileA(search, &entry));
  FindClose(search);
}

#else

std::string HostPath(const std::string& given) {
  return given;
}

void WriteStartFile(const std::string& path, const Bytes& content) {
  std::ofstream out(quillora::NativePath(path), std::ios::binary | std::ios::trunc);
  if (!out) Fail("cannot create " + path);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

Bytes Read(const std::string& path, const Bytes& section, const Bytes& key) {
  return quillora::ReadProfile(path, section, key);
}

void Write(const std::string& path, const Bytes& section, const Bytes& key, const Bytes& value) {
  quillora::WriteProfile(path, section, key, value);
}

void Delete(const std::string& path, const Bytes& section) {
  quillora::DeleteSection(path, section);
}

// File names on disk are UTF-8; the Windows side prints them in GBK.
std::string GbkName(const std::string& utf8) {
  iconv_t converter = iconv_open("GBK", "UTF-8");
  std::string out(utf8.size() * 2 + 4, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  size_t done = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
  iconv_close(converter);
  if (done == static_cast<size_t>(-1)) return utf8;
  out.resize(out.size() - outLeft);
  return out;
}

void ListFiles(const std::string& folder, const std::string& prefix,
               std::vector<std::pair<std::string, Bytes>>& files) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string name = GbkName(entry.path().filename().string());
    if (entry.is_directory()) {
      files.push_back({prefix + name + "\\", "<folder>"});
      ListFiles(entry.path().string(), prefix + name + "\\", files);
      continue;
    }
    std::ifstream in(entry.path(), std::ios::binary);
    files.push_back({prefix + name, Bytes(std::istreambuf_iterator<char>(in), {})});
  }
}

#endif

void PrintFile(const Bytes& content, bool wineForm) {
  Bytes shown = wineForm ? WineForm(content) : content;
  size_t start = 0;
  while (start < shown.size()) {
    size_t end = shown.find('\n', start);
    end = end == Bytes::npos ? shown.size() : end + 1;
    std::cout << "  " << Escape(shown.substr(start, end - start)) << "\n";
    start = end;
  }
}

void RunCase(const std::string& casePath, const std::string& folderArgument) {
  std::ifstream script(HostPath(casePath), std::ios::binary);
  if (!script) Fail("cannot read " + casePath);
  const std::string folder = HostPath(folderArgument);
  const std::string separator = "\\";  // the plugin's paths use "\" on every platform
  enum class Files { kExact, kWineForm, kNotCompared } files = Files::kExact;
  int reads = 0;
  std::string line;
  while (std::getline(script, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (line.rfind("wine-saves-normalised ", 0) == 0) {
      files = Files::kWineForm;
      continue;
    }
    if (line.rfind("files-differ ", 0) == 0) {
      files = Files::kNotCompared;
      continue;
    }
    if (line.rfind("file ", 0) == 0) {
      std::istringstream words(line.substr(5));
      std::string name, ending;
      words >> name >> ending;
      const std::string terminator = ending == "crlf" ? "\r\n" : ending == "lf" ? "\n" : "";
      if (ending != "crlf" && ending != "lf" && ending != "raw") Fail("bad line ending: " + line);
      Bytes content;
      std::string body;
      while (std::getline(script, body)) {
        if (!body.empty() && body.back() == '\r') body.pop_back();
        if (body == "end") break;
        content += Unescape(body) + terminator;
      }
      WriteStartFile(folder + separator + Unescape(name), content);
      continue;
    }
    const std::vector<std::string> fields = SplitFields(line);
    const std::string& op = fields[0];
    if (op == "read" && fields.size() == 4) {
      const Bytes value = Read(folder + separator + fields[1], fields[2], fields[3]);
      std::cout << "read " << ++reads << ": " << value.size() << " [" << Escape(value) << "]\n";
    } else if (op == "write" && fields.size() == 5) {
      Write(folder + separator + fields[1], fields[2], fields[3], fields[4]);
    } else if (op == "delete" && fields.size() == 3) {
      Delete(folder + separator + fields[1], fields[2]);
    } else {
      Fail("bad operation: " + line);
    }
  }
  if (files == Files::kNotCompared) return;
  std::vector<std::pair<std::string, Bytes>> found;
  ListFiles(folder, "", found);
  std::sort(found.begin(), found.end());
  for (const auto& [name, content] : found) {
    std::cout << "file " << Escape(name) << ":\n";
    if (content != "<folder>") PrintFile(content, files == Files::kWineForm);
  }
}

}  // namespace

// Several cases in one run, as starting Wine takes long.
int main(int argc, char** argv) {
  if (argc < 3 || argc % 2 == 0)
    Fail("usage: profile_script CASE-FILE FOLDER [CASE-FILE FOLDER ...]");
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);  // the same bytes as the native side prints
#endif
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string name = argv[i];
    name = name.substr(name.find_last_of("/\\") + 1);
    std::cout << "== " << name << "\n";
    RunCase(argv[i], argv[i + 1]);
  }
  return 0;
}
