// Session cookies as the server reads them: any bytes a client puts into its Cookie header.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "server/session.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string secret(40, 's');
  const std::string_view header(reinterpret_cast<const char*>(data), size);
  if (const auto value = verolin::server::cookieValue(header, verolin::server::kDefaultSessionCookie)) {
    const auto checked = verolin::server::checkSession(secret, *value, 1'800'000'000);
    if (checked.session) verolin::server::sessionCovers(*checked.session, header);
  }
  if (const auto bytes = verolin::server::fromBase64Url(header)) {
    if (verolin::server::base64Url(*bytes) != header) __builtin_trap();  // one spelling per value
  }
  return 0;
}
