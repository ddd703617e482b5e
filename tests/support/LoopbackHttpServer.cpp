#include "support/LoopbackHttpServer.h"

#include <QByteArray>

#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pthread.h>
#include <signal.h>
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

// One connection, plain or secure.
struct Channel {
  int Socket = -1;
  SSL* Tls = nullptr;

  ssize_t Recv(char* buffer, size_t size) const {
    return Tls ? SSL_read(Tls, buffer, static_cast<int>(size)) : ::recv(Socket, buffer, size, 0);
  }
  bool SendAll(const char* data, size_t size) const {
    while (size > 0) {
      const ssize_t n = Tls ? SSL_write(Tls, data, static_cast<int>(size)) : ::send(Socket, data, size, MSG_NOSIGNAL);
      if (n <= 0) return false;
      data += n;
      size -= static_cast<size_t>(n);
    }
    return true;
  }
  bool SendAll(const std::string& s) const { return SendAll(s.data(), s.size()); }
};

// A server context with a fresh key and a certificate for 127.0.0.1
// signed by that key.
SSL_CTX* SelfSignedContext() {
  EVP_PKEY* key = EVP_EC_gen("P-256");
  X509* cert = X509_new();
  SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
  bool ok = key && cert && ctx;
  if (ok) {
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 86400);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(cert, name);
    X509V3_CTX v3;
    X509V3_set_ctx_nodb(&v3);
    X509V3_set_ctx(&v3, cert, cert, nullptr, nullptr, 0);
    X509_EXTENSION* san = X509V3_EXT_conf_nid(nullptr, &v3, NID_subject_alt_name, "IP:127.0.0.1");
    ok = san && X509_add_ext(cert, san, -1) == 1 && X509_sign(cert, key, EVP_sha256()) > 0 &&
         SSL_CTX_use_certificate(ctx, cert) == 1 && SSL_CTX_use_PrivateKey(ctx, key) == 1;
    X509_EXTENSION_free(san);
  }
  X509_free(cert);
  EVP_PKEY_free(key);
  if (!ok) {
    SSL_CTX_free(ctx);
    throw std::runtime_error("the loopback server cannot make its certificate");
  }
  return ctx;
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

}  // namespace

std::string LoopbackHttpServer::Request::Header(std::string_view name) const {
  for (const auto& [n, v] : Headers)
    if (Lower(n) == Lower(name)) return v;
  return {};
}

LoopbackHttpServer::LoopbackHttpServer(bool secure) {
  if (secure) tls_ = SelfSignedContext();
  std::tie(listener_, port_) = BoundSocket(SOCK_CLOEXEC);
  if (port_ == 0 || ::listen(listener_, 64) != 0) {
    SSL_CTX_free(static_cast<SSL_CTX*>(tls_));
    throw std::runtime_error("the loopback server cannot listen");
  }
  acceptor_ = std::thread([this] {
    // A secure connection writes to a socket its client may have closed:
    // the server's threads take no SIGPIPE (the write fails instead).
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    Accept();
  });
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
  SSL_CTX_free(static_cast<SSL_CTX*>(tls_));
}

std::string LoopbackHttpServer::Url(std::string_view path) const {
  return (tls_ ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(port_) + std::string(path);
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

bool LoopbackHttpServer::Pause(std::chrono::milliseconds delay) {
  std::unique_lock lock(mutex_);
  released_.wait_for(lock, delay, [&] { return stopping_; });
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
  Channel channel{socket, nullptr};
  if (tls_) {
    channel.Tls = SSL_new(static_cast<SSL_CTX*>(tls_));
    SSL_set_fd(channel.Tls, socket);
  }
  std::string in;
  char buffer[16384];
  for (bool open = !channel.Tls || SSL_accept(channel.Tls) == 1; open;) {
    // One request: a head without a body.
    size_t end;
    while ((end = in.find("\r\n\r\n")) == std::string::npos) {
      const ssize_t n = channel.Recv(buffer, sizeof buffer);
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
    std::string path = first.substr(sp1 + 1, sp2 - sp1 - 1);
    for (size_t at = lineEnd + 2; at < head.size(); at = lineEnd + 2) {
      lineEnd = head.find("\r\n", at);
      const std::string line = head.substr(at, lineEnd - at);
      const size_t colon = line.find(':');
      if (colon == std::string::npos) continue;
      const size_t value = line.find_first_not_of(' ', colon + 1);
      request.Headers.emplace_back(line.substr(0, colon), value == std::string::npos ? "" : line.substr(value));
    }
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
    if (response.Stall && !Pause(std::chrono::hours(1))) break;
    std::string out = response.Protocol + " " + std::to_string(response.Status) + (response.Status == 200 ? " OK\r\n" : " Status\r\n");
    bool hasLength = false;
    for (const auto& [name, value] : response.Headers) {
      out += name + ": " + value + "\r\n";
      hasLength = hasLength || Lower(name) == "content-length";
    }
    if (response.Chunked)
      out += "Transfer-Encoding: chunked\r\n";
    else if (!hasLength && !response.NoLength)
      out += "Content-Length: " + std::to_string(response.Length) + "\r\n";
    out += "\r\n";
    if (!channel.SendAll(out)) break;
    const char* body = response.Data ? response.Data->data() + response.Offset : "";
    const size_t toSend = std::min(response.Length, response.CutAfter);
    const size_t piece = response.ChunkSize ? response.ChunkSize : toSend;
    bool stopped = false;
    for (size_t sent = 0; sent < toSend && open; sent += piece) {
      if (response.ChunkDelay.count() && !Pause(response.ChunkDelay)) {
        stopped = true;
        break;
      }
      const size_t n = std::min(piece, toSend - sent);
      if (response.Chunked) {
        char size[32];
        std::snprintf(size, sizeof size, "%zx\r\n", n);
        open = channel.SendAll(size) && channel.SendAll(body + sent, n) && channel.SendAll("\r\n", 2);
      } else {
        open = channel.SendAll(body + sent, n);
      }
    }
    if (stopped) break;
    if (response.Chunked && toSend == response.Length && open) open = channel.SendAll("0\r\n\r\n", 5);
    if (toSend < response.Length || response.NoLength || Lower(request.Header("Connection")) == "close") break;
  }
  if (channel.Tls) SSL_free(channel.Tls);
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
