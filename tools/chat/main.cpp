// quillora-chat: a local stand-in for the chat host. See `quillora-chat help`.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "chat/charset.hpp"
#include "chat/check.hpp"
#include "chat/files.hpp"
#include "chat/plugin.hpp"
#include "chat/session.hpp"
#include "chat/setup.hpp"
#include "primitives/platform.hpp"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

using quillora::Text;
namespace chat = quillora::chat;

constexpr char kUsage[] =
    "usage:\n"
    "  quillora-chat demo [DIR] [--raw]    make a run directory (DIR, or a temporary one)\n"
    "                                      and play a whole round on it\n"
    "  quillora-chat setup DIR             make a run directory as the demo does, no round\n"
    "  quillora-chat play DIR [--raw] [--group N] [--as ACCOUNT]\n"
    "                                      chat with the plugin: \"10001: @Quillora\", or a\n"
    "                                      message for the current sender; /help\n"
    "  quillora-chat run DIR SCRIPT [--raw]\n"
    "                                      the same lines from a file, with expectations\n"
    "                                      (\"> text\", \">~ regex\", \">silent\")\n"
    "  quillora-chat check DIR [--group N] [--fix] [--no-web]\n"
    "                                      look for the usual mistakes in a run directory\n";

struct Arguments {
  std::string command;
  std::vector<std::string> positional;
  bool raw = false;
  bool fix = false;
  bool web = true;
  std::string group;
  std::string sender;
};

bool Parse(int argc, char** argv, Arguments* arguments) {
  if (argc < 2) return false;
  arguments->command = argv[1];
  for (int i = 2; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--raw") {
      arguments->raw = true;
    } else if (word == "--fix") {
      arguments->fix = true;
    } else if (word == "--no-web") {
      arguments->web = false;
    } else if ((word == "--group" || word == "--as") && i + 1 < argc) {
      (word == "--group" ? arguments->group : arguments->sender) = argv[++i];
    } else if (word.rfind("--", 0) == 0) {
      return false;
    } else {
      arguments->positional.push_back(word);
    }
  }
  return true;
}

int Fail(const std::string& message) {
  std::cerr << "quillora-chat: " << message << '\n';
  return 2;
}

// An absolute path in the encoding of the command line (ANSI on Windows, UTF-8 here).
std::string AbsolutePath(const std::string& path) {
#ifdef _WIN32
  // Not std::filesystem: it would take the narrow text for UTF-8, not for ANSI.
  char full[MAX_PATH * 2];
  const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  return length == 0 || length >= sizeof full ? path : std::string(full, length);
#else
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
#endif
}

// The folder as the plugin names it: absolute, GBK, no trailing separator.
bool RunDirectoryText(const std::string& folder, Text* dir) {
#ifdef _WIN32
  *dir = AbsolutePath(folder);  // the ANSI code page: GBK on a Chinese Windows
#else
  if (!chat::TextPath(AbsolutePath(folder), dir)) return false;
#endif
  // Drop separators at the end, but not a GBK trail byte 0x5C that ends a character.
  for (;;) {
    size_t last = 0;
    for (size_t i = 0; i < dir->size();
         i += static_cast<unsigned char>((*dir)[i]) >= 0x80 ? 2 : 1) {
      last = i;
    }
    const bool separator =
        dir->size() > 1 && last + 1 == dir->size() && (dir->back() == '\\' || dir->back() == '/');
    if (!separator) return true;
    dir->pop_back();
  }
}

#ifdef _WIN32

std::string Quote(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

bool SameFolder(const Text& a, const Text& b) {
  return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) ==
         CSTR_EQUAL;
}

// The DLL takes the folder of the process executable as its run directory, as under the
// host; for another folder the simulator and the DLL are copied there and run from it.
int Relaunch(const Text& dir, const std::vector<std::string>& arguments) {
  const Text own = chat::OwnFolder();
  if (!chat::MakeFolders(dir)) return Fail("cannot create " + chat::ToUtf8(dir));
  for (const char* name : {"quillora-chat.exe", "Quillora.cqp.dll"}) {
    if (!chat::CopyFileTo(own + "\\" + name, dir + "\\" + name)) {
      return Fail(std::string("cannot copy ") + name + " to " + chat::ToUtf8(dir));
    }
  }
  std::string line = Quote(dir + "\\quillora-chat.exe");
  for (const std::string& argument : arguments) {
    line += ' ';  // appended apart: GCC 12 warns wrongly about " " + Quote(...)
    line += Quote(argument);
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  // The copy talks through this process's input and output (a console, pipes or files).
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, dir.c_str(),
                      &startup, &process)) {
    return Fail("cannot start " + chat::ToUtf8(dir) + "\\quillora-chat.exe");
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 2;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

#endif

Text NewTemporaryFolder() {
#ifdef _WIN32
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  return Text(base) + "quillora-demo-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(GetTickCount());
#else
  std::string pattern = (std::filesystem::temp_directory_path() / "quillora-demo-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return {};
  Text dir;
  chat::TextPath(pattern, &dir);
  return dir;
#endif
}

bool Open(const Text& dir, chat::Chat* session) {
  std::string problem;
  if (!chat::OpenPlugin(dir, &problem) || !chat::StartChat(session, &problem)) {
    Fail(problem);
    return false;
  }
  return true;
}

int RunText(chat::Chat& session, const std::string& script) {
  std::istringstream in(script);
  const chat::ScriptSummary summary = chat::RunScript(session, in, std::cout);
  return summary.unmet == 0 && summary.errors == 0 ? 0 : 1;
}

int Setup(chat::Chat& session) {
  std::string problem;
  if (!chat::PrepareRunDirectory(&problem)) return Fail(problem);
  session.options.echoComments = true;
  return RunText(session, chat::SetupScript());
}

int Demo(const Text& dir, const Arguments& arguments) {
  chat::Chat session;
  session.options.raw = arguments.raw;
  if (!Open(dir, &session)) return 2;
  std::cout << "== Quillora demo in " << chat::ToUtf8(dir) << "\n\n";
  int status = Setup(session);
  if (status != 0) return status;
  std::cout << '\n';
  status = RunText(session, chat::DemoScript());
  std::cout << "\n== The run directory stays: quillora-chat play " << chat::ToUtf8(dir)
            << "\n   (players 10001, 10002 and 10003 in group 2002)\n";
  return status;
}

int Play(const Text& dir, const Arguments& arguments) {
  chat::Chat session;
  session.options.raw = arguments.raw;
  session.options.echoMessages = false;
  session.options.showSilence = true;
  if (!arguments.group.empty()) session.group = chat::ToGbk(arguments.group);
  if (!arguments.sender.empty()) session.sender = chat::ToGbk(arguments.sender);
  if (!Open(dir, &session)) return 2;
#ifdef _WIN32
  const bool prompt = _isatty(_fileno(stdin)) != 0;
#else
  const bool prompt = isatty(STDIN_FILENO) != 0;
#endif
  if (prompt) std::cout << "Group chat with the plugin; /help lists the commands.\n";
  chat::Play(session, std::cin, std::cout, prompt);
  return 0;
}

int Run(const Text& dir, const std::string& scriptPath, const Arguments& arguments) {
  std::ifstream script(scriptPath, std::ios::binary);
  if (!script) return Fail("cannot read " + scriptPath);
  chat::Chat session;
  session.options.raw = arguments.raw;
  if (!Open(dir, &session)) return 2;
  const chat::ScriptSummary summary = chat::RunScript(session, script, std::cout);
  std::cout << "-- " << scriptPath << ": " << summary.expectations << " expectation lines, "
            << summary.unmet << " unmet, " << summary.errors << " script errors\n";
  return summary.unmet == 0 && summary.errors == 0 ? 0 : 1;
}

int Check(const Text& dir, const Arguments& arguments) {
  quillora::FixRunDirectory(dir);
  if (!chat::FolderExists(dir)) return Fail(chat::ToUtf8(dir) + " is not a folder");
  chat::CheckOptions options;
  options.group = chat::ToGbk(arguments.group);
  options.fix = arguments.fix;
  options.web = arguments.web;
  std::cout << "Checking the run directory " << chat::ToUtf8(dir) << '\n';
  int problems = 0;
  for (const chat::Finding& finding : chat::CheckRunDirectory(options)) {
    const char* label = "ok      ";
    if (finding.severity == chat::Severity::kNote) label = "note    ";
    if (finding.severity == chat::Severity::kProblem) label = "PROBLEM ";
    if (finding.severity == chat::Severity::kFixed) label = "fixed   ";
    if (finding.severity == chat::Severity::kProblem) ++problems;
    std::cout << "  " << label << chat::ToUtf8(finding.what) << '\n';
    if (!finding.todo.empty()) std::cout << "          -> " << chat::ToUtf8(finding.todo) << '\n';
  }
  std::cout << (problems == 0 ? std::string("No problems found.")
                              : std::to_string(problems) + " problem(s) found.")
            << '\n';
  return problems == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  Arguments arguments;
  if (!Parse(argc, argv, &arguments) || arguments.command == "help") {
    std::cerr << kUsage;
    return arguments.command == "help" ? 0 : 2;
  }
  const std::string& command = arguments.command;
  const size_t count = arguments.positional.size();
  const bool wanted = (command == "demo" && count <= 1) || (command == "setup" && count == 1) ||
                      (command == "play" && count == 1) || (command == "run" && count == 2) ||
                      (command == "check" && count == 1);
  if (!wanted) {
    std::cerr << kUsage;
    return 2;
  }
  Text dir;
  if (command == "demo" && count == 0) {
    dir = NewTemporaryFolder();
    if (dir.empty()) return Fail("cannot create a temporary folder");
  } else if (!RunDirectoryText(arguments.positional[0], &dir)) {
    return Fail("cannot name " + arguments.positional[0] + " in GBK, as the plugin must");
  }
  const std::string script = command == "run" ? AbsolutePath(arguments.positional[1]) : "";
  if ((command == "play" || command == "run") && !chat::FolderExists(dir)) {
    return Fail(chat::ToUtf8(dir) + " is not a folder");
  }
  if (command == "check") return Check(dir, arguments);

#ifdef _WIN32
  if (!SameFolder(dir, chat::OwnFolder())) {
    std::vector<std::string> forwarded = {command, dir};
    if (command == "run") forwarded.push_back(script);
    for (int i = 2; i < argc; ++i) {
      const std::string word = argv[i];
      if (word.rfind("--", 0) == 0) forwarded.push_back(word);
      if (word == "--group" || word == "--as") forwarded.push_back(argv[++i]);
    }
    return Relaunch(dir, forwarded);
  }
#else
  if ((command == "demo" || command == "setup") && !chat::MakeFolders(dir)) {
    return Fail("cannot create " + chat::ToUtf8(dir));
  }
#endif

  if (command == "demo") return Demo(dir, arguments);
  if (command == "play") return Play(dir, arguments);
  if (command == "run") return Run(dir, script, arguments);
  chat::Chat session;
  if (!Open(dir, &session)) return 2;
  return Setup(session);
}
