// A tiny HTTP server on 127.0.0.1 for tests that fetch from the web. It runs on a
// thread of its own from construction to destruction, answers one request per
// connection and records every request it receives.
//
//   LocalHttpServer server;
//   server.Respond("hello");                       // any target: 200 with this body
//   server.Respond("/a?b=1", {.status = 404, .body = "gone"});
//   server.Redirect("/old", "/new");
//   server.Delay(300);                             // each answer 300 ms late
//   ... FetchUrl(server.Url("/a?b=1")) ...
//   server.Requests()[0].target == "/a?b=1"
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace quillora::testing {

struct HttpHeader {
  std::string name;
  std::string value;
};

struct HttpResponse {
  int status = 200;
  std::string reason = "OK";
  std::vector<HttpHeader> headers;  // sent as given, after the status line
  std::string body;                 // any bytes, zeros included
  // Without a Content-Length header the body ends when the server closes.
  bool contentLength = true;
};

struct HttpRequest {
  std::string requestLine;  // as received, without CR LF
  std::string method;
  std::string target;  // path and query as they stood in the request line
  std::string version;
  std::vector<HttpHeader> headers;

  // The value of the first header of that name (ASCII case ignored), or "".
  std::string Header(const std::string& name) const;
  bool HasHeader(const std::string& name) const;
};

class LocalHttpServer {
 public:
  LocalHttpServer();
  ~LocalHttpServer();
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  // The answer to every target without an answer of its own (initially 200, empty body).
  void Respond(const std::string& body);
  void Respond(const HttpResponse& response);
  // The answer to one target, matched exactly (path and query).
  void Respond(const std::string& target, const HttpResponse& response);
  // A redirect from target to location (absolute or relative).
  void Redirect(const std::string& target, const std::string& location, int status = 302);
  // Accepts connections, reads the request and never answers while on.
  void Silent(bool silent);
  // Waits this long after reading each request before answering it (initially 0).
  void Delay(int milliseconds);

  uint16_t Port() const { return port_; }
  // "http://127.0.0.1:<port>" followed by target.
  std::string Url(const std::string& target = "/") const;
  // "127.0.0.1:<port>", as a host setting names a server.
  std::string HostAndPort() const;
  std::vector<HttpRequest> Requests() const;

 private:
  void Serve();
  void Answer(intptr_t connection);

  intptr_t listener_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<bool> silent_{false};
  std::atomic<int> delay_{0};
  mutable std::mutex mutex_;
  HttpResponse fallback_;
  std::map<std::string, HttpResponse> responses_;
  std::vector<HttpRequest> requests_;
  std::vector<intptr_t> held_;  // connections kept open in silent mode
  std::thread thread_;
};

}  // namespace quillora::testing
