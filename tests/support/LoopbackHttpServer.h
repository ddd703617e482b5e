// An HTTP/1.1 server on 127.0.0.1 inside the test program, on its own
// threads: a table of handlers by path answers each request; every request
// is recorded. Responses can misbehave on purpose: cut the connection part
// way, send slowly, or stall until the server goes. A request whose target is a
// whole address ("GET http://host/path") is answered too, as a forward
// proxy would, and marked as such. A secure server speaks HTTPS with a
// certificate for 127.0.0.1 that it signed itself (so no client trusts it
// unless told to).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace testsupport {

class LoopbackHttpServer {
 public:
  using Bytes = std::shared_ptr<const std::string>;
  using HeaderList = std::vector<std::pair<std::string, std::string>>;

  struct Request {
    std::string Path;  // without the query
    HeaderList Headers;
    bool ViaProxy = false;  // the target was a whole address
    std::string Header(std::string_view name) const;  // "" when absent
  };

  struct Response {
    int Status = 200;
    HeaderList Headers;
    Bytes Data;  // the body is Data[Offset, Offset + Length)
    size_t Offset = 0;
    size_t Length = 0;
    size_t CutAfter = SIZE_MAX;  // close the connection after this many body bytes
    size_t ChunkSize = 0;        // slow: send the body in pieces of this size ...
    std::chrono::milliseconds ChunkDelay{0};  // ... with this pause before each
    bool Stall = false;                       // send nothing until the server goes
    bool NoLength = false;  // no Content-Length: the body ends when the connection closes
    bool Chunked = false;   // a chunked body (pieces of ChunkSize); cut, it lacks its last chunk
    std::string Protocol = "HTTP/1.1";  // what the status line claims to speak
  };
  using Handler = std::function<Response(const Request&)>;

  explicit LoopbackHttpServer(bool secure = false);
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  uint16_t Port() const { return port_; }
  std::string Url(std::string_view path) const;
  // Paths without a handler get 404.
  void Handle(const std::string& path, Handler handler);
  std::vector<Request> Requests() const;

  // A port on 127.0.0.1 that nobody listens on (it was free a moment ago).
  static uint16_t ClosedPort();

  static Bytes Share(std::string bytes) { return std::make_shared<const std::string>(std::move(bytes)); }
  static Response Text(int status, std::string body, HeaderList headers = {});
  // The bytes as a file: 200, or 206 for a satisfiable "Range: bytes=a-b"
  // (416 beyond the end) unless ranges are ignored.
  static Response File(const Request& request, Bytes data, bool honourRanges = true);
  static Response Redirect(const std::string& location, int status = 302);
  // `inner` behind Basic authentication (401 with the realm otherwise), or
  // with `proxy` behind a proxy's (407).
  static Handler Protected(const std::string& user, const std::string& password, const std::string& realm,
                           Handler inner, bool proxy = false);

 private:
  void Accept();
  void Serve(int socket);
  bool Pause(std::chrono::milliseconds delay);  // false when the server stops

  void* tls_ = nullptr;  // the SSL_CTX of a secure server
  int listener_ = -1;
  uint16_t port_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable released_;
  bool stopping_ = false;
  std::map<std::string, Handler> handlers_;
  std::vector<Request> requests_;
  std::vector<int> sockets_;
  std::vector<std::thread> connections_;
  std::thread acceptor_;
};

}  // namespace testsupport
