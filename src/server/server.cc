#include "server/server.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <regex>
#include <stdexcept>
#include <thread>

#include "server/data_lock.h"
#include "server/exchange.h"
#include "server/page_requests.h"
#include "server/serving.h"

namespace verolin::server {
namespace {

constexpr std::string_view kFixedTypes[] = {kUpload, kDown, kSignatureList, kSealMarkList, kUploadFile};

// What a process killed mid-write leaves behind is swept at start; younger files may belong to an
// administration command writing right now.
constexpr std::chrono::minutes kLeftoverAge{5};

std::string regexEscape(const std::string& text) {
  static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
  return std::regex_replace(text, special, R"(\$&)");
}

// Why `host`:`port` cannot be bound, in the system's words ("Address already in use"): the HTTP
// library only reports that binding failed, so the same bind is tried once more here.
std::string bindFailureReason(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE;
  addrinfo* found = nullptr;
  if (const int failed = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found)) {
    return ::gai_strerror(failed);
  }
  std::string reason = "no address to listen on";
  for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
    const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      reason = std::strerror(errno);
      continue;
    }
    int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    const bool bound = ::bind(fd, a->ai_addr, a->ai_addrlen) == 0;
    reason = bound ? "the address was busy for a moment; try again" : std::strerror(errno);
    ::close(fd);
    if (!bound) break;
  }
  ::freeaddrinfo(found);
  return reason;
}

void checkUrlPath(const std::string& what, const std::string& path) {
  if (path.size() < 2 || path.front() != '/' || path.back() == '/' ||
      path.find_first_of("?#% \\") != std::string::npos) {
    throw std::invalid_argument(what +
                                " must start with \"/\", not end with one, and hold no ?, #, %, blank "
                                "or backslash: \"" +
                                path + "\"");
  }
}

void checkRequestType(const std::string& what, const std::string& type) {
  if (type.empty() || type.find_first_of("&=#%? ") != std::string::npos) {
    throw std::invalid_argument(what + " must be a non-empty word without &, =, #, %, ? or blanks");
  }
  for (const auto fixed : kFixedTypes) {
    if (type == fixed)
      throw std::invalid_argument(what + " \"" + type + "\" is already a RequestType of the page");
  }
}

}  // namespace

void checkOptions(const ServerOptions& options) {
  checkUrlPath("the page path", options.pagePath);
  checkUrlPath("the files path", options.filesPath);
  checkUrlPath("the client files path", options.clientFilesPath);
  const std::string* paths[] = {&options.pagePath, &options.filesPath, &options.clientFilesPath};
  for (const auto* a : paths) {
    for (const auto* b : paths) {
      if (a != b && (*a == *b || a->rfind(*b + "/", 0) == 0)) {
        throw std::invalid_argument("the paths " + *a + " and " + *b + " overlap");
      }
    }
  }
  for (const auto* path : paths) {
    if (path->rfind(kHealthPath, 0) == 0)
      throw std::invalid_argument(*path + " is taken by the health answer");
  }
  checkRequestType("the seal list type", options.sealListType);
  checkRequestType("the seal picture type", options.sealPictureType);
  if (options.sealListType == options.sealPictureType) {
    throw std::invalid_argument("the seal list and seal picture types must differ");
  }
  if (options.port < 0 || options.port > 65535) throw std::invalid_argument("the port must be 0 to 65535");
  if (options.maxBodyBytes == 0) throw std::invalid_argument("the body limit must be at least one byte");
  checkSessionOptions(options.sessionSecret, options.sessionCookie);
}

struct Server::Impl {
  ServerOptions options;
  ServingLock servingLock;
  Store store;
  Exchanges exchanges;
  PageRequests requests;
  Serving serving;
  httplib::Server& http;
  std::thread thread;
  int port = -1;
  socket_t listening = -1;

  explicit Impl(ServerOptions o)
      : options((checkOptions(o), std::move(o))),
        servingLock(options.dataDir),
        store(options.dataDir),
        exchanges(store, options),
        requests(store, options, exchanges),
        serving(options.limits, options.tls, options.log),
        http(serving.http()) {}

  void log(const std::string& line) const {
    if (options.log) options.log(line);
  }

  void route() {
    const std::string page = regexEscape(options.pagePath);
    http.Get(kHealthPath,
             [this](const httplib::Request&, httplib::Response& res) { serving.answerHealth(store, res); });
    http.Get(page, [this](const httplib::Request& req, httplib::Response& res) { requests.get(req, res); });
    http.Post(page, [this](const httplib::Request& req, httplib::Response& res,
                           const httplib::ContentReader& reader) { requests.post(req, res, reader); });
    http.Get(
        regexEscape(options.filesPath) + "/.+",
        [this](const httplib::Request& req, httplib::Response& res) { requests.getDocumentFile(req, res); });
    http.Get(
        regexEscape(options.clientFilesPath) + "/.+",
        [this](const httplib::Request& req, httplib::Response& res) { requests.getClientFile(req, res); });
    http.set_exception_handler(
        [](const httplib::Request&, httplib::Response& res, std::exception_ptr ep) {
          std::string reason = "internal error";
          try {
            std::rethrow_exception(ep);
          } catch (const std::exception& e) {
            reason = e.what();
          } catch (...) {
          }
          res.set_header("Connection", "close");
          refuse(res, 500, reason, true);
        });
    http.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
      exchanges.begin(req);
      return httplib::Server::HandlerResponse::Unhandled;
    });
    http.set_logger(
        [this](const httplib::Request& req, const httplib::Response& res) { exchanges.finish(req, res); });
    http.set_payload_max_length(options.maxBodyBytes);
    // Only SO_REUSEADDR: the library's default also sets SO_REUSEPORT, which would let a second server
    // bind the same port and receive half of the requests.
    http.set_socket_options([this](socket_t sock) {
      int yes = 1;
      setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<void*>(&yes), sizeof yes);
      listening = sock;
    });
  }
};

Server::Server(ServerOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {
  if (const std::size_t swept = impl_->store.sweepLeftovers(kLeftoverAge)) {
    impl_->log("removed " + std::to_string(swept) + " half-written file(s) left by an earlier run");
  }
  impl_->route();
}

Server::~Server() {
  stop();
}

void Server::start() {
  if (impl_->thread.joinable()) return;
  auto& http = impl_->http;
  const auto& o = impl_->options;
  if (o.port == 0) {
    impl_->port = http.bind_to_any_port(o.host);
  } else {
    impl_->port = http.bind_to_port(o.host, o.port) ? o.port : -1;
  }
  if (impl_->port < 0) {
    throw std::runtime_error("cannot listen on " + o.host + ":" + std::to_string(o.port) + ": " +
                             bindFailureReason(o.host, o.port));
  }
  // The library listens with a queue of five; fifty clients connecting at once would see resets.
  ::listen(impl_->listening, SOMAXCONN);
  impl_->thread = std::thread([this] { impl_->serving.listen(); });
  // listen_after_bind sets is_running before it accepts; wait for it so that callers can connect at once.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!http.is_running() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void Server::stop() {
  if (!impl_->thread.joinable()) return;
  impl_->serving.stop(impl_->options.limits.drain);
  impl_->thread.join();
}

std::size_t Server::breakOff() {
  return impl_->serving.breakOff();
}

std::size_t Server::exchangesUnderWay() const {
  return impl_->serving.underWay();
}

int Server::port() const {
  return impl_->port;
}

std::string Server::baseUrl() const {
  const std::string& host = impl_->options.host;
  const bool ipv6 = host.find(':') != std::string::npos;
  return (impl_->serving.tls() ? "https://" : "http://") + (ipv6 ? "[" + host + "]" : host) + ":" +
         std::to_string(impl_->port);
}

std::string Server::pageUrl() const {
  return baseUrl() + impl_->options.pagePath;
}

Store& Server::store() {
  return impl_->store;
}

}  // namespace verolin::server
