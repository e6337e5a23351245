// A minimal chat host for the real Quillora.cqp.dll: loads it from this program's folder,
// finds the twelve exports by their GBK names, and calls each one through a stub that
// measures the argument bytes the export pops, as a stdcall host relies on. Also checks
// the registration text, the argument order, null results, and that loading fixed the run
// directory to this program's folder. Prints what failed; exit code 0 when all is well.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "expected_registration.hpp"

// Calls function with count pointer arguments (pushed last first, as stdcall and cdecl
// both do), stores in popped how many bytes of them the function removed, and returns its
// result. The stack is restored afterwards whatever the function did, so a wrong
// convention is reported instead of corrupting this program.
extern "C" const char* CallMeasured(FARPROC function, const char* const* arguments, int count,
                                    int* popped);
asm(R"(
    .text
    .globl _CallMeasured
_CallMeasured:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
    movl %esp, %edi
    leal (,%ecx,4), %edx
    subl %edx, %esp
    andl $-16, %esp
    addl %edx, %esp
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%esi,%ecx,4)
    jmp 1b
2:  movl %esp, %ebx
    call *8(%ebp)
    movl %esp, %ecx
    subl %ebx, %ecx
    movl 20(%ebp), %edx
    movl %ecx, (%edx)
    movl %edi, %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");

namespace {

int failures = 0;

void Fail(const std::string& what) {
  std::printf("FAIL: %s\n", what.c_str());
  ++failures;
}

std::string Shown(const char* text) {
  if (text == nullptr) return "(null)";
  std::string shown = "\"";
  shown.append(text).append("\"");
  return shown;
}

struct Export {
  const char* name;  // GBK
  const char* label;
  int arguments;
};

constexpr Export kExports[] = {
    {"info", "info", 0},
    {"初始化配置", "link", 5},
    {"Quillora", "Quillora", 5},
    {"start", "start", 5},
    {"答案", "answer", 5},
    {"投票", "vote", 5},
    {"投票结果", "settle", 5},
    {"结束游戏", "end", 5},
    {"获取QQ昵称", "nickname", 2},
    {"取文本之间", "text between", 3},
    {"去空格换行", "strip blanks", 1},
    {"时间格式化", "date", 0},
};

// Calls the export and checks that it popped exactly its arguments.
const char* Call(HMODULE dll, const Export& e, const char* const* arguments) {
  const FARPROC function = GetProcAddress(dll, e.name);
  if (function == nullptr) {
    Fail(std::string("export not found: ") + e.label);
    return nullptr;
  }
  int popped = -1;
  const char* result = CallMeasured(function, arguments, e.arguments, &popped);
  if (popped != 4 * e.arguments) {
    Fail(std::string(e.label) + " popped " + std::to_string(popped) + " bytes instead of " +
         std::to_string(4 * e.arguments));
  }
  return result;
}

const Export& Named(const char* label) {
  for (const Export& e : kExports) {
    if (std::strcmp(e.label, label) == 0) return e;
  }
  std::abort();
}

std::string ProgramFolder() {
  char path[4 * MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path, length < sizeof path ? length : 0);
  return folder.substr(0, folder.rfind('\\'));
}

}  // namespace

int main() {
  const std::string folder = ProgramFolder();
  // Nothing listens there, so the nickname lookup never leaves the machine.
  CreateDirectoryA((folder + "\\config").c_str(), nullptr);
  const std::string gameFile = folder + "\\config\\Quillora.ini";
  WritePrivateProfileStringA("Quillora", "昵称接口", "127.0.0.1:9", gameFile.c_str());

  const HMODULE dll = LoadLibraryA((folder + "\\Quillora.cqp.dll").c_str());
  if (dll == nullptr) {
    std::printf("FAIL: cannot load %s\\Quillora.cqp.dll (error %lu)\n", folder.c_str(),
                GetLastError());
    return 1;
  }

  const char* const nulls[5] = {nullptr, nullptr, nullptr, nullptr, nullptr};
  for (const Export& e : kExports) {
    const char* result = Call(dll, e, nulls);
    const std::string label = e.label;
    if (label == "info") {
      if (result == nullptr || result != quillora::testing::ExpectedRegistrationText()) {
        Fail("info returned " + Shown(result));
      }
    } else if (label == "text between" || label == "strip blanks") {
      if (result != nullptr) Fail(label + " of nulls returned " + Shown(result));
    } else if (label == "nickname") {
      if (result == nullptr || std::string(result) != "【】") {
        Fail("nickname of nulls returned " + Shown(result));
      }
    } else if (label == "date") {
      if (result == nullptr || *result == '\0') Fail("date returned " + Shown(result));
    } else if (result == nullptr) {
      Fail(label + " with five nulls returned null");
    } else if (label == "Quillora" && *result != '\0') {
      Fail("Quillora with five nulls replied " + Shown(result));
    }
  }

  // Arguments arrive in their order.
  const char* const between[3] = {"Name=Bob;", "name=", ";"};
  const char* cut = Call(dll, Named("text between"), between);
  if (cut == nullptr || std::string(cut) != "Bob") Fail("text between returned " + Shown(cut));
  const char* const spaced[1] = {"x y\r\nz"};
  const char* stripped = Call(dll, Named("strip blanks"), spaced);
  if (stripped == nullptr || std::string(stripped) != "xyz") {
    Fail("strip blanks returned " + Shown(stripped));
  }

  // The link command wrote its settings into the run directory that loading fixed.
  char path[MAX_PATH] = {};
  GetPrivateProfileStringA("Quillora路径", "路径", "", path, sizeof path, gameFile.c_str());
  if (path[0] == '\0') Fail("the link command wrote no settings to " + gameFile);

  FreeLibrary(dll);
  std::printf("%s\n", failures == 0 ? "ok" : "failed");
  return failures == 0 ? 0 : 1;
}
