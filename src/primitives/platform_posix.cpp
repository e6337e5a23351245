// The platform operations of the native build: POSIX files and clocks, and libcurl for
// the web. The profile files are in profile_posix.cpp.
#include <curl/curl.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <new>

#include "primitives/platform.hpp"
#include "primitives/platform_detail.hpp"
#include "primitives/posix_path.hpp"

namespace quillora {

namespace {

// File names on disk are UTF-8; the plugin's texts are GBK. A name that GBK cannot
// hold is kept as its bytes.
Text Utf8ToGbk(const std::string& utf8) {
  iconv_t converter = iconv_open("GBK", "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) return utf8;
  std::string out(utf8.size() + 4, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  const size_t done = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
  iconv_close(converter);
  if (done == static_cast<size_t>(-1) || inLeft != 0) return utf8;
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace

Text ExecutableFolder() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
  if (length <= 0) return {};
  return FolderOf(Utf8ToGbk(std::string(path, static_cast<size_t>(length))), '/');
}

Bytes ReadWholeFile(const Text& path) {
  if (path.empty()) return {};
  const int file = open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0) return {};
  Bytes content;
  struct stat status {};
  if (fstat(file, &status) == 0 && status.st_size > 0) {
    try {
      content.resize(static_cast<size_t>(status.st_size));
      size_t got = 0;
      while (got < content.size()) {
        const ssize_t n = read(file, content.data() + got, content.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
          got = 0;  // a failed read gives nothing, not a part
          break;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
      }
      content.resize(got);
    } catch (const std::bad_alloc&) {
      content.clear();
    }
  }
  close(file);
  return content;
}

uint32_t TickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const uint64_t milliseconds =
      static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(milliseconds);
}

DateTime Now() {
  const time_t seconds = time(nullptr);
  tm local{};
  localtime_r(&seconds, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
          local.tm_hour,        local.tm_min,     local.tm_sec};
}

namespace {

struct Answer {
  Bytes body;
  Text location;
};

size_t KeepBody(char* data, size_t size, size_t count, void* answer) {
  static_cast<Answer*>(answer)->body.append(data, size * count);
  return size * count;
}

size_t KeepLocation(char* data, size_t size, size_t count, void* answer) {
  std::string_view line(data, size * count);
  constexpr std::string_view kName = "location:";
  if (line.size() > kName.size()) {
    bool named = true;
    for (size_t i = 0; i < kName.size() && named; ++i) {
      const char c = line[i];
      named = (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) == kName[i];
    }
    if (named) {
      line.remove_prefix(kName.size());
      const size_t begin = line.find_first_not_of(" \t");
      const size_t end = line.find_last_not_of(" \t\r\n");
      static_cast<Answer*>(answer)->location =
          begin == std::string_view::npos ? Text() : Text(line.substr(begin, end - begin + 1));
    }
  }
  return size * count;
}

// One request, without following a redirect. The status is 0 when no answer came.
long FetchOnce(const UrlParts& parts, uint32_t milliseconds, Answer& answer, bool& timedOut) {
  CURL* curl = curl_easy_init();
  if (curl == nullptr) return 0;
  const bool ipv6 = parts.host.find(':') != Text::npos;
  // The path and query go in the request target, so that curl sends them as written
  // instead of re-encoding them.
  const Text server =
      Concat(parts.secure ? "https://" : "http://", ipv6 ? "[" : "", parts.host, ipv6 ? "]" : "",
             ":", NumberText(static_cast<int32_t>(parts.port)), "/");
  const Text target = RequestTarget(parts.target);
  curl_easy_setopt(curl, CURLOPT_URL, server.c_str());
  curl_easy_setopt(curl, CURLOPT_REQUEST_TARGET, target.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
  if (parts.hasUser) {
    curl_easy_setopt(curl, CURLOPT_USERNAME, parts.user.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, parts.password.c_str());
  }
  // Direct: the test servers are local, and an environment proxy must not take them.
  curl_easy_setopt(curl, CURLOPT_PROXY, "");
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(milliseconds));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, KeepBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, KeepLocation);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &answer);
  // A failure keeps the body received so far.
  timedOut = curl_easy_perform(curl) == CURLE_OPERATION_TIMEDOUT;
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_cleanup(curl);
  return status;
}

}  // namespace

Bytes FetchUrl(const Text& url, bool* timedOut) {
  static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  bool ranOut = false;
  if (timedOut == nullptr) timedOut = &ranOut;
  *timedOut = false;
  const uint32_t started = TickCount();
  Text current = url.substr(0, url.find('#'));
  if (current.empty() || !ready) return {};
  for (int redirects = 0;; ++redirects) {
    UrlParts parts;
    if (!SplitUrl(current, parts)) return {};
    const uint32_t spent = TickCount() - started;
    if (spent >= kFetchBudgetMilliseconds) {
      *timedOut = true;
      return {};
    }
    Answer answer;
    const long status = FetchOnce(parts, kFetchBudgetMilliseconds - spent, answer, *timedOut);
    if (!IsRedirectStatus(status) || answer.location.empty()) return answer.body;
    if (redirects == kMaxRedirects) return {};
    current = ResolveLocation(current, answer.location);
    current = current.substr(0, current.find('#'));
  }
}

}  // namespace quillora
