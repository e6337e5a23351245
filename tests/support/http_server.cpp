#include "http_server.hpp"

#include <algorithm>
#include <chrono>
#include <stdexcept>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace quillora::testing {

namespace {

#ifdef _WIN32
using Socket = SOCKET;
const Socket kNoSocket = INVALID_SOCKET;
void CloseSocket(Socket s) {
  closesocket(s);
}
#else
using Socket = int;
const Socket kNoSocket = -1;
void CloseSocket(Socket s) {
  close(s);
}
#endif

Socket AsSocket(intptr_t s) {
  return static_cast<Socket>(s);
}

// Waits until the socket can be read or the time is up.
bool Readable(Socket s, int milliseconds) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval wait{};
  wait.tv_sec = milliseconds / 1000;
  wait.tv_usec = (milliseconds % 1000) * 1000;
  return select(static_cast<int>(s + 1), &set, nullptr, nullptr, &wait) > 0;
}

void SendAll(Socket s, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    int piece = static_cast<int>(std::min<size_t>(bytes.size() - sent, 65536));
    auto n = send(s, bytes.data() + sent, piece, 0);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

std::string Trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return "";
  size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

HttpRequest ParseRequest(const std::string& head) {
  HttpRequest request;
  size_t lineEnd = head.find("\r\n");
  request.requestLine = head.substr(0, lineEnd);
  size_t firstSpace = request.requestLine.find(' ');
  size_t lastSpace = request.requestLine.rfind(' ');
  if (firstSpace != std::string::npos && lastSpace > firstSpace) {
    request.method = request.requestLine.substr(0, firstSpace);
    request.target = request.requestLine.substr(firstSpace + 1, lastSpace - firstSpace - 1);
    request.version = request.requestLine.substr(lastSpace + 1);
  }
  while (lineEnd != std::string::npos) {
    size_t start = lineEnd + 2;
    lineEnd = head.find("\r\n", start);
    std::string line =
        head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
    size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    request.headers.push_back({Trim(line.substr(0, colon)), Trim(line.substr(colon + 1))});
  }
  return request;
}

}  // namespace

std::string HttpRequest::Header(const std::string& name) const {
  for (const HttpHeader& header : headers) {
    if (SameName(header.name, name)) return header.value;
  }
  return "";
}

bool HttpRequest::HasHeader(const std::string& name) const {
  for (const HttpHeader& header : headers) {
    if (SameName(header.name, name)) return true;
  }
  return false;
}

LocalHttpServer::LocalHttpServer() {
#ifdef _WIN32
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup");
#endif
  Socket s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == kNoSocket) throw std::runtime_error("socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 16) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    CloseSocket(s);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  listener_ = static_cast<intptr_t>(s);
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

LocalHttpServer::~LocalHttpServer() {
  stop_ = true;
  thread_.join();
  for (intptr_t held : held_)
    CloseSocket(AsSocket(held));
  CloseSocket(AsSocket(listener_));
#ifdef _WIN32
  WSACleanup();
#endif
}

void LocalHttpServer::Respond(const std::string& body) {
  HttpResponse response;
  response.body = body;
  Respond(response);
}

void LocalHttpServer::Respond(const HttpResponse& response) {
  std::lock_guard<std::mutex> lock(mutex_);
  fallback_ = response;
}

void LocalHttpServer::Respond(const std::string& target, const HttpResponse& response) {
  std::lock_guard<std::mutex> lock(mutex_);
  responses_[target] = response;
}

void LocalHttpServer::Redirect(const std::string& target, const std::string& location, int status) {
  HttpResponse response;
  response.status = status;
  response.reason = "Found";
  response.headers.push_back({"Location", location});
  response.body = "moved";
  Respond(target, response);
}

void LocalHttpServer::Silent(bool silent) {
  silent_ = silent;
}

void LocalHttpServer::Delay(int milliseconds) {
  delay_ = milliseconds;
}

std::string LocalHttpServer::Url(const std::string& target) const {
  return "http://" + HostAndPort() + target;
}

std::string LocalHttpServer::HostAndPort() const {
  return "127.0.0.1:" + std::to_string(port_);
}

std::vector<HttpRequest> LocalHttpServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void LocalHttpServer::Serve() {
  // Polls so that the destructor can stop the loop without closing a socket under it.
  while (!stop_) {
    if (!Readable(AsSocket(listener_), 20)) continue;
    Socket connection = accept(AsSocket(listener_), nullptr, nullptr);
    if (connection == kNoSocket) continue;
    Answer(static_cast<intptr_t>(connection));
  }
}

void LocalHttpServer::Answer(intptr_t handle) {
  Socket connection = AsSocket(handle);
  // A GET request ends with its blank line; a client that stops sending earlier is
  // answered with what arrived.
  std::string head;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536 && !stop_ &&
         Readable(connection, 2000)) {
    auto n = recv(connection, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    head.append(buffer, static_cast<size_t>(n));
  }
  HttpRequest request = ParseRequest(head.substr(0, head.find("\r\n\r\n")));
  HttpResponse response;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
    auto found = responses_.find(request.target);
    response = found != responses_.end() ? found->second : fallback_;
    if (silent_) {
      held_.push_back(handle);
      return;
    }
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(delay_.load()));
  std::string out = "HTTP/1.0 " + std::to_string(response.status) + " " + response.reason + "\r\n";
  for (const HttpHeader& header : response.headers) {
    out += header.name + ": " + header.value + "\r\n";
  }
  if (response.contentLength) {
    out += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
  }
  out += "Connection: close\r\n\r\n";
  out += response.body;
  SendAll(connection, out);
#ifdef _WIN32
  shutdown(connection, SD_SEND);
#else
  shutdown(connection, SHUT_WR);
#endif
  // Lets the client read to the end before the socket goes; a reset could cut the body.
  while (Readable(connection, 1000) && recv(connection, buffer, sizeof buffer, 0) > 0) {
  }
  CloseSocket(connection);
}

}  // namespace quillora::testing
