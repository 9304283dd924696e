// What every request object shares: the error numbers it raises and the URL as it goes on the wire.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace verolin::platform {

// Error numbers the request object raises, with the platform's values.
namespace http_err {
inline constexpr std::int32_t kInvalidUrl = static_cast<std::int32_t>(0x800C0002u);
inline constexpr std::int32_t kCannotConnect = static_cast<std::int32_t>(0x800C0005u);
inline constexpr std::int32_t kTimedOut = static_cast<std::int32_t>(0x800C000Bu);
inline constexpr std::int32_t kUnknownProtocol = static_cast<std::int32_t>(0x800C000Du);
inline constexpr std::int32_t kRedirectFailed = static_cast<std::int32_t>(0x800C0014u);
}  // namespace http_err

// The URL as it goes on the wire: the structure is kept ('&', '=', '?', '/', ':' and existing
// escapes stay), while space, '#', '"', '<', '>', a '%' that starts no escape, control characters
// and every non-ASCII character (converted to the wire code page first) are percent-encoded.
std::string wireUrl(std::string_view url);

// The URL with the credentials of its authority ("user:password@") replaced by "***@", for every text
// that shows a URL (errors, transcripts).
std::string withoutCredentials(std::string_view url);

}  // namespace verolin::platform
