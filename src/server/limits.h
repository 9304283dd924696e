// How the server holds up against many clients and slow ones: the size of its thread pool and the
// time limits of one exchange, and the drain allowed on stop.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace verolin::server {

struct Limits {
  // Connections served at once; each holds a thread while it is open, so this many slow clients can
  // keep the others waiting until their limits below run out.
  std::size_t threads = 128;
  // From a connection's first byte (or its TLS handshake) to the end of the request's headers.
  std::chrono::milliseconds headerTimeout{std::chrono::seconds(10)};
  // The longest wait for the next bytes of a body, or for the client to take the next bytes of an answer.
  std::chrono::milliseconds stallTimeout{std::chrono::seconds(30)};
  // One whole exchange, request and answer, from its first byte.
  std::chrono::milliseconds requestTimeout{std::chrono::minutes(15)};
  // An idle keep-alive connection is closed after this.
  std::chrono::milliseconds keepAliveTimeout{std::chrono::seconds(5)};
  // On stop, exchanges under way may finish within this; what is left then is broken off.
  std::chrono::milliseconds drain{std::chrono::seconds(30)};
};

// Throws std::invalid_argument naming the first limit that cannot work.
void checkLimits(const Limits& limits);

// "30s", "500ms", "2m", "1h", or a bare number of seconds. Throws std::invalid_argument.
std::chrono::milliseconds parseDuration(std::string_view text);

// The same forms back: "30s", "2m", "1500ms".
std::string formatDuration(std::chrono::milliseconds d);

}  // namespace verolin::server
