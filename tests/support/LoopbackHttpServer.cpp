#include "support/LoopbackHttpServer.h"

#include <QByteArray>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <tuple>

namespace testsupport {

namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool SendAll(int socket, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::send(socket, data, size, MSG_NOSIGNAL);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// A socket bound to a free port on 127.0.0.1, and that port.
std::pair<int, uint16_t> BoundSocket(int flags = 0) {
  const int s = ::socket(AF_INET, SOCK_STREAM | flags, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (s < 0 || ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    return {s, 0};
  return {s, ntohs(address.sin_port)};
}

const char* Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 407: return "Proxy Authentication Required";
    case 416: return "Range Not Satisfiable";
    default: return "Status";
  }
}

}  // namespace

std::string LoopbackHttpServer::Request::Header(std::string_view name) const {
  for (const auto& [n, v] : Headers)
    if (Lower(n) == Lower(name)) return v;
  return {};
}

LoopbackHttpServer::LoopbackHttpServer() {
  std::tie(listener_, port_) = BoundSocket(SOCK_CLOEXEC);
  if (port_ == 0 || ::listen(listener_, 64) != 0) throw std::runtime_error("the loopback server cannot listen");
  acceptor_ = std::thread([this] { Accept(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    for (int s : sockets_) ::shutdown(s, SHUT_RDWR);
  }
  released_.notify_all();
  ::shutdown(listener_, SHUT_RDWR);
  acceptor_.join();
  for (std::thread& t : connections_) t.join();
  ::close(listener_);
}

std::string LoopbackHttpServer::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

uint16_t LoopbackHttpServer::ClosedPort() {
  const auto [probe, port] = BoundSocket();
  ::close(probe);
  return port;
}

void LoopbackHttpServer::Handle(const std::string& path, Handler handler) {
  std::lock_guard lock(mutex_);
  handlers_[path] = std::move(handler);
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void LoopbackHttpServer::Release() {
  {
    std::lock_guard lock(mutex_);
    release_ = true;
  }
  released_.notify_all();
}

bool LoopbackHttpServer::Pause(std::chrono::milliseconds delay) {
  std::unique_lock lock(mutex_);
  released_.wait_for(lock, delay, [&] { return release_ || stopping_; });
  return !stopping_;
}

void LoopbackHttpServer::Accept() {
  for (;;) {
    const int s = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    std::lock_guard lock(mutex_);
    if (s < 0 || stopping_) {
      if (s >= 0) ::close(s);
      return;
    }
    sockets_.push_back(s);
    connections_.emplace_back([this, s] { Serve(s); });
  }
}

void LoopbackHttpServer::Serve(int socket) {
  const int one = 1;
  ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  std::string in;
  char buffer[16384];
  for (bool open = true; open;) {
    // One request: the head, then a body of Content-Length bytes.
    size_t end;
    while ((end = in.find("\r\n\r\n")) == std::string::npos) {
      const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
      if (n <= 0) {
        open = false;
        break;
      }
      in.append(buffer, static_cast<size_t>(n));
    }
    if (!open) break;
    Request request;
    std::string head = in.substr(0, end + 2);
    in.erase(0, end + 4);
    size_t lineEnd = head.find("\r\n");
    const std::string first = head.substr(0, lineEnd);
    const size_t sp1 = first.find(' '), sp2 = first.rfind(' ');
    request.Method = first.substr(0, sp1);
    request.Target = first.substr(sp1 + 1, sp2 - sp1 - 1);
    for (size_t at = lineEnd + 2; at < head.size(); at = lineEnd + 2) {
      lineEnd = head.find("\r\n", at);
      const std::string line = head.substr(at, lineEnd - at);
      const size_t colon = line.find(':');
      if (colon == std::string::npos) continue;
      const size_t value = line.find_first_not_of(' ', colon + 1);
      request.Headers.emplace_back(line.substr(0, colon), value == std::string::npos ? "" : line.substr(value));
    }
    const size_t bodySize = std::strtoul(request.Header("Content-Length").c_str(), nullptr, 10);
    while (in.size() < bodySize) {
      const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
      if (n <= 0) return;
      in.append(buffer, static_cast<size_t>(n));
    }
    request.Body = in.substr(0, bodySize);
    in.erase(0, bodySize);
    std::string path = request.Target;
    if (const size_t scheme = path.find("://"); scheme != std::string::npos) {
      request.ViaProxy = true;
      const size_t slash = path.find('/', scheme + 3);
      path = slash == std::string::npos ? "/" : path.substr(slash);
    }
    request.Path = path.substr(0, path.find('?'));

    Handler handler;
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(request);
      if (auto it = handlers_.find(request.Path); it != handlers_.end()) handler = it->second;
    }
    const Response response = handler ? handler(request) : Text(404, "not found");
    if (response.Stall && !Pause(std::chrono::hours(1))) return;
    std::string out = "HTTP/1.1 " + std::to_string(response.Status) + " " + Reason(response.Status) + "\r\n";
    bool hasLength = false;
    for (const auto& [name, value] : response.Headers) {
      out += name + ": " + value + "\r\n";
      hasLength = hasLength || Lower(name) == "content-length";
    }
    if (!hasLength && !response.NoLength) out += "Content-Length: " + std::to_string(response.Length) + "\r\n";
    out += "\r\n";
    if (!SendAll(socket, out.data(), out.size())) break;
    const char* body = response.Data ? response.Data->data() + response.Offset : "";
    const size_t toSend = std::min(response.Length, response.CutAfter);
    const size_t piece = response.ChunkSize ? response.ChunkSize : toSend;
    for (size_t sent = 0; sent < toSend && open; sent += piece) {
      if (response.ChunkDelay.count() && !Pause(response.ChunkDelay)) return;
      open = SendAll(socket, body + sent, std::min(piece, toSend - sent));
    }
    if (toSend < response.Length || response.NoLength || Lower(request.Header("Connection")) == "close") break;
  }
  std::lock_guard lock(mutex_);
  std::erase(sockets_, socket);
  ::close(socket);
}

LoopbackHttpServer::Response LoopbackHttpServer::Text(int status, std::string body, HeaderList headers) {
  Response r;
  r.Status = status;
  r.Headers = std::move(headers);
  r.Length = body.size();
  r.Data = Share(std::move(body));
  return r;
}

LoopbackHttpServer::Response LoopbackHttpServer::File(const Request& request, Bytes data, bool honourRanges) {
  Response r;
  r.Data = data;
  r.Length = data->size();
  const std::string range = request.Header("Range");
  if (!honourRanges || !range.starts_with("bytes=")) return r;
  const size_t dash = range.find('-');
  const size_t from = std::strtoull(range.c_str() + 6, nullptr, 10);
  const std::string toText = range.substr(dash + 1);
  const size_t to = toText.empty() ? data->size() - 1 : std::min<size_t>(std::strtoull(toText.c_str(), nullptr, 10), data->size() - 1);
  const std::string size = std::to_string(data->size());
  if (from >= data->size() || from > to) {
    r = Text(416, "", {{"Content-Range", "bytes */" + size}});
    return r;
  }
  r.Status = 206;
  r.Offset = from;
  r.Length = to - from + 1;
  r.Headers.emplace_back("Content-Range", "bytes " + std::to_string(from) + "-" + std::to_string(to) + "/" + size);
  return r;
}

LoopbackHttpServer::Response LoopbackHttpServer::Redirect(const std::string& location, int status) {
  return Text(status, "moved", {{"Location", location}});
}

LoopbackHttpServer::Handler LoopbackHttpServer::Protected(const std::string& user, const std::string& password,
                                                          const std::string& realm, Handler inner, bool proxy) {
  const std::string expected = "Basic " + QByteArray::fromStdString(user + ":" + password).toBase64().toStdString();
  return [=, inner = std::move(inner)](const Request& request) {
    if (request.Header(proxy ? "Proxy-Authorization" : "Authorization") == expected) return inner(request);
    return Text(proxy ? 407 : 401, "who are you",
                {{proxy ? "Proxy-Authenticate" : "WWW-Authenticate", "Basic realm=\"" + realm + "\""}});
  };
}

}  // namespace testsupport
