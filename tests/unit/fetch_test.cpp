// The web fetch against a server on 127.0.0.1: the body of any answer, redirects, the
// form of the request, and empty bytes when nothing (or nothing in time) answers.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "http_server.hpp"
#include "primitives/platform.hpp"
#include "primitives/platform_detail.hpp"
#include "run_directory.hpp"

namespace quillora {
namespace {

using testing::HttpResponse;
using testing::LocalHttpServer;

double SecondsOf(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(FetchTest, GivesTheBodyOfAnyAnswer) {
  LocalHttpServer server;
  struct Case {
    const char* name;
    HttpResponse response;
  };
  Bytes big;
  for (int i = 0; i < 250000; ++i)
    big += static_cast<char>('a' + i % 26);
  const Case cases[] = {
      {"GBK and zero bytes", {200, "OK", {}, Bytes("小红\0x\xFF", 7), true}},
      {"an error page", {404, "Not Found", {}, "<html>no such page</html>", true}},
      {"a server error", {500, "Internal Server Error", {}, "oops", true}},
      {"an empty body", {200, "OK", {}, "", true}},
      {"a body longer than one chunk", {200, "OK", {}, big, true}},
      {"a body without a length, ended by the server", {200, "OK", {}, big, false}},
      {"a short body without a length", {200, "OK", {}, "short", false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server.Respond("/page", c.response);
    bool timedOut = true;
    EXPECT_EQ(FetchUrl(server.Url("/page"), &timedOut), c.response.body);
    EXPECT_FALSE(timedOut);  // an error answer is an answer
  }
}

TEST(FetchTest, ABodyCutShortGivesTheBytesReceived) {
  LocalHttpServer server;
  HttpResponse response;
  response.headers.push_back({"Content-Length", "100"});
  response.contentLength = false;
  response.body = "only part";
  server.Respond(response);
  EXPECT_EQ(FetchUrl(server.Url("/cut")), "only part");
}

TEST(FetchTest, SendsAPlainHttp10GetWithThePathAndQueryAsWritten) {
  LocalHttpServer server;
  server.Respond("ok");
  struct Case {
    const char* name;
    Text url;                // after the server's origin
    Text target;             // as the server receives it
    const char* wineTarget;  // where Wine's WinINet sends something else (nullptr: same)
  };
  // Wine's WinINet canonicalises the path it is given, whatever the request's flags: it
  // resolves dot segments and turns every "\" into "/".
  const Case cases[] = {
      {"the portrait path", "/fcg-bin/cgi_get_portrait.fcg?uins=12345",
       "/fcg-bin/cgi_get_portrait.fcg?uins=12345", nullptr},
      {"percent escapes are not decoded", "/a%20b?q=%41&r=%zz", "/a%20b?q=%41&r=%zz", nullptr},
      {"GBK bytes are not encoded", "/\xB9\xFE?u=\xD6\xD0", "/\xB9\xFE?u=\xD6\xD0", nullptr},
      {"dot segments stay", "/x/../y/./z", "/x/../y/./z", "/y/z"},
      {"other punctuation stays", "/p?x=\"<>`{}|\\^", "/p?x=\"<>`{}|\\^", "/p?x=\"<>`{}|/^"},
      {"no path", "", "/", nullptr},
      {"a query without a path", "?a=1", "/?a=1", nullptr},
      {"the part from the first # is dropped", "/p?q=1#top#more", "/p?q=1", nullptr},
      {"only a # part", "#top", "/", nullptr},
      // Such bytes would end the request line early or add header lines.
      {"space and control bytes are encoded", "/a b?c\td\r\nX: y", "/a%20b?c%09d%0D%0AX:%20y",
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const size_t before = server.Requests().size();
    EXPECT_EQ(FetchUrl(server.Url("") + c.url), "ok");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), before + 1);
    const testing::HttpRequest& request = requests.back();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target,
              testing::RunningOnWine() && c.wineTarget != nullptr ? c.wineTarget : c.target);
    EXPECT_EQ(request.version, "HTTP/1.0");
    EXPECT_EQ(request.Header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
    EXPECT_EQ(request.Header("Accept"), "*/*");
    EXPECT_EQ(request.Header("Host"), server.HostAndPort());
    EXPECT_FALSE(request.HasHeader("Referer"));
    EXPECT_FALSE(request.HasHeader("X"));
  }
}

TEST(FetchTest, FollowsRedirects) {
  LocalHttpServer server;
  LocalHttpServer other;
  other.Respond("/there?x=1", {200, "OK", {}, "over there", true});
  server.Respond("/dir/new?x=1", {200, "OK", {}, "relative", true});
  server.Respond("/new", {200, "OK", {}, "absolute path", true});
  server.Redirect("/abs", other.Url("/there?x=1"), 302);
  server.Redirect("/path", "/new", 301);
  server.Redirect("/dir/old", "new?x=1", 303);
  server.Redirect("/query", "?x=1", 307);      // from /query to /query?x=1 ...
  server.Redirect("/query?x=1", "/new", 308);  // ... and on
  server.Redirect("/hop1", "/hop2");
  server.Redirect("/hop2", "/new#part");
  struct Case {
    const char* from;
    Bytes body;
    std::vector<std::string> targets;  // the requests the server saw
  };
  const Case cases[] = {
      {"/abs", "over there", {"/abs"}},
      {"/path", "absolute path", {"/path", "/new"}},
      {"/dir/old", "relative", {"/dir/old", "/dir/new?x=1"}},
      {"/query", "absolute path", {"/query", "/query?x=1", "/new"}},
      {"/hop1", "absolute path", {"/hop1", "/hop2", "/new"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from);
    const size_t before = server.Requests().size();
    EXPECT_EQ(FetchUrl(server.Url(c.from)), c.body);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), before + c.targets.size());
    for (size_t i = 0; i < c.targets.size(); ++i) {
      EXPECT_EQ(requests[before + i].target, c.targets[i]);
    }
  }
  ASSERT_EQ(other.Requests().size(), 1u);
  EXPECT_EQ(other.Requests()[0].target, "/there?x=1");
}

TEST(FetchTest, ARedirectWithoutALocationGivesItsBody) {
  LocalHttpServer server;
  server.Respond({302, "Found", {}, "nowhere to go", true});
  EXPECT_EQ(FetchUrl(server.Url("/x")), "nowhere to go");
}

TEST(FetchTest, ARedirectLoopEndsWithNothing) {
  LocalHttpServer server;
  server.Redirect("/loop", "/loop");
  EXPECT_EQ(FetchUrl(server.Url("/loop")), "");
  EXPECT_EQ(server.Requests().size(), static_cast<size_t>(kMaxRedirects + 1));
}

TEST(FetchTest, UrlsThatAreNotHttpGiveNothingAndSendNothing) {
  LocalHttpServer server;
  server.Respond("should not be fetched");
  const std::string port = std::to_string(server.Port());
  const Text urls[] = {
      "",
      "#http://127.0.0.1:" + port + "/",
      "ftp://127.0.0.1:" + port + "/file",
      "file:///etc/hosts",
      "127.0.0.1:" + port + "/no-scheme",
      "//127.0.0.1:" + port + "/no-scheme",
      "http:/127.0.0.1:" + port + "/one-slash",
      "http://:" + port + "/no-host",
      "http://127.0.0.1:99999/bad-port",
      "http://127.0.0.1:8x/bad-port",
      "http://[::1/unclosed",
      "gopher://127.0.0.1:" + port + "/",
  };
  for (const Text& url : urls) {
    SCOPED_TRACE(url);
    EXPECT_EQ(FetchUrl(url), "");
  }
  EXPECT_TRUE(server.Requests().empty());
}

TEST(FetchTest, SchemeLetterCaseDoesNotMatter) {
  LocalHttpServer server;
  server.Respond("fine");
  EXPECT_EQ(FetchUrl("HTTP://" + server.HostAndPort() + "/"), "fine");
}

TEST(FetchTest, NothingListeningGivesNothing) {
  std::string url;
  {
    LocalHttpServer gone;
    url = gone.Url("/x");
  }
  Bytes body = "not fetched";
  bool timedOut = true;
  EXPECT_LT(SecondsOf([&] { body = FetchUrl(url, &timedOut); }), 8.0);
  EXPECT_EQ(body, "");
  EXPECT_FALSE(timedOut);  // refused at once, not given up
}

TEST(FetchTest, AServerThatNeverAnswersIsGivenUpWithinTheBound) {
  LocalHttpServer silent;
  silent.Silent(true);
  LocalHttpServer redirecting;
  redirecting.Redirect("/to-silent", silent.Url("/x"));
  const std::string urls[] = {silent.Url("/x"), redirecting.Url("/to-silent")};
  for (const std::string& url : urls) {
    SCOPED_TRACE(url);
    Bytes body = "not fetched";
    bool timedOut = false;
    // The bound is 5 seconds; the margin is for slow test machines.
    EXPECT_LT(SecondsOf([&] { body = FetchUrl(url, &timedOut); }), 8.0);
    EXPECT_EQ(body, "");
    EXPECT_TRUE(timedOut);
  }
  EXPECT_EQ(silent.Requests().size(), 2u);
}

}  // namespace
}  // namespace quillora
