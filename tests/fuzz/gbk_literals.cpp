// gbk_literals IN OUT: copies a C++ source, writing every non-ASCII character of an
// ordinary string or character literal as octal escapes of its GBK bytes. The fuzz
// build compiles the plugin with clang, which stores literals only as UTF-8 (it has no
// -fexec-charset=GBK); the copies give it the same bytes that GCC stores. Comments,
// identifiers, #include lines and prefixed literals (u8, u, U, L) are copied as they
// are; a raw literal or a character outside GBK is an error, as it is for GCC.
#include <iconv.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

bool IsIdentifierByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c >= 0x80;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool ToGbk(const std::string& utf8, std::string& gbk) {
  iconv_t cd = iconv_open("GBK", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string in = utf8;
  gbk.assign(in.size() * 2, '\0');
  char* inPtr = in.data();
  size_t inLeft = in.size();
  char* outPtr = gbk.data();
  size_t outLeft = gbk.size();
  const size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (done == static_cast<size_t>(-1) || inLeft != 0) return false;
  gbk.resize(gbk.size() - outLeft);
  return true;
}

std::string Octal(unsigned char c) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "\\%03o", c);
  return buffer;
}

struct Converter {
  const std::string& in;
  std::string out;
  size_t pos = 0;
  int line = 1;
  std::string error;

  char At(size_t i) const { return i < in.size() ? in[i] : '\0'; }

  void Copy(size_t count) {
    for (size_t i = 0; i < count && pos < in.size(); ++i, ++pos) {
      if (in[pos] == '\n') ++line;
      out += in[pos];
    }
  }

  // A literal from its opening quote; translate is false for prefixed literals.
  bool Literal(bool translate) {
    const char quote = in[pos];
    Copy(1);
    while (pos < in.size() && in[pos] != quote) {
      if (in[pos] == '\n') {
        error = "unterminated literal";
        return false;
      }
      if (in[pos] == '\\') {
        Copy(2);
        continue;
      }
      if (static_cast<unsigned char>(in[pos]) < 0x80 || !translate) {
        Copy(1);
        continue;
      }
      size_t end = pos;
      while (end < in.size() && static_cast<unsigned char>(in[end]) >= 0x80)
        ++end;
      std::string gbk;
      if (!ToGbk(in.substr(pos, end - pos), gbk)) {
        error = "a character outside GBK";
        return false;
      }
      for (const char c : gbk)
        out += Octal(static_cast<unsigned char>(c));
      pos = end;
    }
    Copy(1);
    return true;
  }

  bool Run() {
    bool lineStart = true;
    while (pos < in.size()) {
      const char c = in[pos];
      if (lineStart && c == '#') {
        const size_t directive = in.find_first_not_of(" \t", pos + 1);
        if (directive != std::string::npos && in.compare(directive, 7, "include") == 0) {
          Copy(in.find('\n', pos) - pos);
          continue;
        }
      }
      if (c == '\n') {
        lineStart = true;
        Copy(1);
        continue;
      }
      if (c != ' ' && c != '\t') lineStart = false;
      if (c == '/' && At(pos + 1) == '/') {
        Copy(in.find('\n', pos) == std::string::npos ? in.size() - pos : in.find('\n', pos) - pos);
      } else if (c == '/' && At(pos + 1) == '*') {
        const size_t end = in.find("*/", pos + 2);
        Copy(end == std::string::npos ? in.size() - pos : end + 2 - pos);
      } else if (c == '"' || c == '\'') {
        if (!Literal(true)) return false;
      } else if (IsDigit(c) || (c == '.' && IsDigit(At(pos + 1)))) {
        // A pp-number, which may hold digit separators (10'000) that are no quotes.
        Copy(1);
        while (pos < in.size()) {
          const char d = in[pos];
          if ((d == '+' || d == '-') &&
              std::string("eEpP").find(in[pos - 1]) != std::string::npos) {
            Copy(1);
          } else if (IsIdentifierByte(static_cast<unsigned char>(d)) || d == '.' || d == '\'') {
            Copy(1);
          } else {
            break;
          }
        }
      } else if (IsIdentifierByte(static_cast<unsigned char>(c))) {
        size_t end = pos;
        while (end < in.size() && IsIdentifierByte(static_cast<unsigned char>(in[end])))
          ++end;
        const std::string word = in.substr(pos, end - pos);
        const char next = At(end);
        Copy(end - pos);
        if (next == '"' && !word.empty() && word.back() == 'R') {
          const size_t close = in.find("\"", pos + 1);
          const size_t paren = in.find('(', pos);
          const std::string delimiter = in.substr(pos + 1, paren - pos - 1);
          const size_t end_raw = in.find(")" + delimiter + "\"", paren);
          if (close == std::string::npos || paren == std::string::npos ||
              end_raw == std::string::npos) {
            error = "unterminated raw literal";
            return false;
          }
          const size_t stop = end_raw + delimiter.size() + 2;
          for (size_t i = pos; i < stop; ++i) {
            if (static_cast<unsigned char>(in[i]) >= 0x80 && word != "u8R" && word != "uR" &&
                word != "UR" && word != "LR") {
              error = "a non-ASCII character in a raw literal";
              return false;
            }
          }
          Copy(stop - pos);
        } else if ((next == '"' || next == '\'') &&
                   (word == "u8" || word == "u" || word == "U" || word == "L")) {
          if (!Literal(false)) return false;
        }
      } else {
        Copy(1);
      }
    }
    return true;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: gbk_literals IN OUT\n";
    return 2;
  }
  std::ifstream input(argv[1], std::ios::binary);
  if (!input) {
    std::cerr << argv[1] << ": cannot read\n";
    return 1;
  }
  std::stringstream buffer;
  buffer << input.rdbuf();
  const std::string in = buffer.str();
  Converter converter{in, {}, 0, 1, {}};
  if (!converter.Run()) {
    std::cerr << argv[1] << ":" << converter.line << ": " << converter.error << "\n";
    return 1;
  }
  std::ofstream output(argv[2], std::ios::binary | std::ios::trunc);
  output << converter.out;
  return output ? 0 : 1;
}
