// The platform operations of the DLL: the Windows profile functions, which the host's
// other plugins use on the same files, Windows files and clocks, and WinINet.
#include <windows.h>
#include <wininet.h>

#include <cstring>
#include <new>

#include "primitives/platform.hpp"
#include "primitives/platform_detail.hpp"

namespace quillora {

Text ExecutableFolder() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return FolderOf(std::string_view(path, length), '\\');
}

namespace {

constexpr DWORD kProfileBuffer = 10240;

// The profile read skips leading control bytes and spaces of its arguments.
const char* SkipLeading(const Text& text) {
  const char* p = text.c_str();
  while (*p != '\0' && static_cast<unsigned char>(*p) <= 0x20)
    ++p;
  return p;
}

}  // namespace

Text ReadProfile(const Text& file, const Text& section, const Text& key) {
  const char* path = SkipLeading(file);
  const char* sectionName = SkipLeading(section);
  const char* keyName = SkipLeading(key);
  if (*path == '\0' || *sectionName == '\0' || *keyName == '\0') return {};
  Text value(kProfileBuffer, '\0');
  const DWORD length =
      GetPrivateProfileStringA(sectionName, keyName, "", value.data(), kProfileBuffer, path);
  // When the cut at the buffer's end would split a two-byte character, the call leaves
  // a zero where its first byte was but still counts that byte: the text ends at the zero.
  value.resize(length);
  value.resize(std::strlen(value.c_str()));
  return value;
}

void WriteProfile(const Text& file, const Text& section, const Text& key, const Text& value) {
  WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str());
}

void DeleteSection(const Text& file, const Text& section) {
  WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, file.c_str());
}

Bytes ReadWholeFile(const Text& path) {
  if (path.empty()) return {};
  // Other processes may read along but not write while we read.
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  Bytes content;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < 0x7FFFFFFF) {
    try {
      content.resize(static_cast<size_t>(size.QuadPart));
      size_t got = 0;
      while (got < content.size()) {
        DWORD n = 0;
        if (!ReadFile(file, content.data() + got, static_cast<DWORD>(content.size() - got), &n,
                      nullptr)) {
          got = 0;  // a failed read gives nothing, not a part
          break;
        }
        if (n == 0) break;
        got += n;
      }
      content.resize(got);
    } catch (const std::bad_alloc&) {
      content.clear();
    }
  }
  CloseHandle(file);
  return content;
}

uint32_t TickCount() {
  return GetTickCount();
}

DateTime Now() {
  SYSTEMTIME local{};
  GetLocalTime(&local);
  return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

namespace {

// Closes a WinINet handle at the end of its scope.
struct InternetHandle {
  HINTERNET handle;
  explicit InternetHandle(HINTERNET h) : handle(h) {}
  ~InternetHandle() {
    if (handle != nullptr) InternetCloseHandle(handle);
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
};

void SetTimeout(HINTERNET handle, DWORD option, DWORD milliseconds) {
  if (milliseconds == 0) milliseconds = 1;  // 0 would mean "no time-out"
  InternetSetOptionA(handle, option, &milliseconds, sizeof milliseconds);
}

DWORD QueryNumber(HINTERNET request, DWORD what) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (!HttpQueryInfoA(request, what | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr)) return 0;
  return value;
}

Text QueryText(HINTERNET request, DWORD what) {
  DWORD size = 0;
  HttpQueryInfoA(request, what, nullptr, &size, nullptr);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return {};
  Text value(size, '\0');
  if (!HttpQueryInfoA(request, what, value.data(), &size, nullptr)) return {};
  value.resize(size);
  return value;
}

// Whether a WinINet call that failed ran into its time-out. It began at `since` with
// `left` milliseconds of the budget left, of which no phase is given less than a fifth.
// Wine's WinINet reports a receive time-out as ERROR_INTERNET_CONNECTION_ABORTED, not
// ERROR_INTERNET_TIMEOUT, so a failure that came no sooner than that counts as one too;
// a refused connection or a reset fails well before.
bool RanIntoTimeout(DWORD since, DWORD left) {
  const DWORD error = GetLastError();
  return error == ERROR_INTERNET_TIMEOUT || GetTickCount() - since >= left / 5;
}

// Reads the body until the server ends it, the read fails or the budget is spent; the
// bytes received so far are the result in every case.
Bytes ReadBody(HINTERNET request, DWORD started, bool& timedOut) {
  const DWORD announced = QueryNumber(request, HTTP_QUERY_CONTENT_LENGTH);
  const DWORD chunk = announced > 0 ? (announced < 102400 ? announced + 1 : 102400) : 10240;
  Bytes body;
  std::string buffer(chunk, '\0');
  for (;;) {
    const DWORD spent = GetTickCount() - started;
    if (spent >= kFetchBudgetMilliseconds) {
      timedOut = true;
      break;
    }
    const DWORD readStarted = GetTickCount();
    SetTimeout(request, INTERNET_OPTION_RECEIVE_TIMEOUT, kFetchBudgetMilliseconds - spent);
    DWORD got = 0;
    if (!InternetReadFile(request, buffer.data(), chunk, &got)) {
      timedOut = RanIntoTimeout(readStarted, kFetchBudgetMilliseconds - spent);
      break;
    }
    if (got == 0) break;
    body.append(buffer.data(), got);
  }
  return body;
}

}  // namespace

// The session is opened and closed within each fetch: WinINet must not be touched from
// DllMain, so there is no moment at load or unload to keep one.
//
// Time-outs: WinINet bounds each phase, not the whole fetch, so the fetch keeps its own
// deadline of kFetchBudgetMilliseconds from its start. Before each request (the first
// and every redirect, followed here rather than by WinINet so that they count too) the
// time left is split 2/5 connect, 1/5 send, 2/5 receive of the answer's head, with one
// connect attempt; before each read of the body the receive time-out is the time left,
// and no read starts once it is spent. All go on the request handle: some WinINet
// implementations ignore time-outs set on the session handle.
Bytes FetchUrl(const Text& url, bool* timedOut) {
  bool ranOut = false;
  if (timedOut == nullptr) timedOut = &ranOut;
  *timedOut = false;
  const DWORD started = GetTickCount();
  Text current = url.substr(0, url.find('#'));
  if (current.empty()) return {};
  InternetHandle session(
      InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (session.handle == nullptr) return {};
  DWORD attempts = 1;
  InternetSetOptionA(session.handle, INTERNET_OPTION_CONNECT_RETRIES, &attempts, sizeof attempts);
  for (int redirects = 0;; ++redirects) {
    UrlParts parts;
    if (!SplitUrl(current, parts)) return {};
    const DWORD spent = GetTickCount() - started;
    if (spent >= kFetchBudgetMilliseconds) {
      *timedOut = true;
      return {};
    }
    const DWORD left = kFetchBudgetMilliseconds - spent;

    InternetHandle connection(InternetConnectA(session.handle, parts.host.c_str(), parts.port,
                                               parts.hasUser ? parts.user.c_str() : nullptr,
                                               parts.hasUser ? parts.password.c_str() : nullptr,
                                               INTERNET_SERVICE_HTTP, 0, 0));
    if (connection.handle == nullptr) return {};
    const char* accept[] = {"*/*", nullptr};
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                        INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_AUTO_REDIRECT |
                        INTERNET_FLAG_NO_UI | (parts.secure ? INTERNET_FLAG_SECURE : 0);
    const Text target = RequestTarget(parts.target);
    InternetHandle request(HttpOpenRequestA(connection.handle, "GET", target.c_str(), "HTTP/1.0",
                                            nullptr, accept, flags, 0));
    if (request.handle == nullptr) return {};
    SetTimeout(request.handle, INTERNET_OPTION_CONNECT_TIMEOUT, left * 2 / 5);
    SetTimeout(request.handle, INTERNET_OPTION_SEND_TIMEOUT, left / 5);
    SetTimeout(request.handle, INTERNET_OPTION_RECEIVE_TIMEOUT, left - left * 2 / 5 - left / 5);
    const DWORD sent = GetTickCount();
    if (!HttpSendRequestA(request.handle, nullptr, 0, nullptr, 0)) {
      *timedOut = RanIntoTimeout(sent, left);
      return {};
    }

    const DWORD status = QueryNumber(request.handle, HTTP_QUERY_STATUS_CODE);
    const Text location = IsRedirectStatus(static_cast<long>(status))
                              ? QueryText(request.handle, HTTP_QUERY_LOCATION)
                              : Text();
    if (location.empty()) return ReadBody(request.handle, started, *timedOut);
    if (redirects == kMaxRedirects) return {};
    current = ResolveLocation(current, location);
    current = current.substr(0, current.find('#'));
  }
}

}  // namespace quillora
