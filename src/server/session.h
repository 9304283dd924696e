// Sessions: the web application that embeds the control admits its own users and hands each a cookie
// that this server checks. The cookie's value is
//
//   base64url(USER "\n" EXPIRES "\n" DOCUMENTS) "." base64url(HMAC-SHA-256(secret, first part))
//
// (base64url without padding; EXPIRES in seconds since 1970 UTC; DOCUMENTS a prefix of the document
// names the session may use, empty for all). The application and the server share only the secret, so
// a page of any language can mint one in a dozen lines (docs/server.md).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace verolin::server {

inline constexpr const char* kDefaultSessionCookie = "verolin_session";
// Shorter secrets are refused: they can be guessed offline from one cookie.
inline constexpr std::size_t kMinSecretBytes = 32;

class SessionError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// The shared secret from a file: its bytes without trailing line ends. Throws SessionError when the
// file cannot be read or the secret is shorter than kMinSecretBytes.
std::string loadSessionSecret(const std::filesystem::path& file);

struct Session {
  std::string user;
  std::int64_t expires = 0;  // seconds since 1970 UTC
  std::string documents;     // prefix of the document names it may use; empty: all
};

// The cookie value for `session`. Throws SessionError for a user that is empty or holds a line end,
// or a prefix that holds one.
std::string mintSession(std::string_view secret, const Session& session);

// Why a cookie value was refused, or kValid.
enum class SessionCheck { kValid, kMalformed, kBadSignature, kExpired };

struct CheckedSession {
  SessionCheck check = SessionCheck::kMalformed;
  // Set whenever the signature holds, expired or not: the user is then known for the record.
  std::optional<Session> session;
};

// Checks the signature in constant time, then the expiry against `now` (seconds since 1970 UTC).
CheckedSession checkSession(std::string_view secret, std::string_view cookieValue, std::int64_t now);

// A refusal's reason for the log and the answer.
std::string describe(SessionCheck check);

// True when `session` may use the document or file named `name`.
bool sessionCovers(const Session& session, std::string_view name);

// True for a name a cookie may have: letters, digits and "!#$&'*+-.^_`|~".
bool isCookieName(std::string_view name);

// Throws std::invalid_argument when the server's session settings cannot work: a secret shorter than
// kMinSecretBytes, or a cookie name that is none.
void checkSessionOptions(const std::optional<std::string>& secret, const std::string& cookieName);

// The value of cookie `name` in a Cookie header ("a=1; b=2"), or nothing.
std::optional<std::string> cookieValue(std::string_view cookieHeader, std::string_view name);

// base64url without padding, as the cookie uses it; decoding refuses padding and stray characters.
std::string base64Url(std::string_view bytes);
std::optional<std::string> fromBase64Url(std::string_view text);

// "8h", "30m", "45s", "2d" or plain seconds; nothing for anything else or a non-positive time.
std::optional<std::int64_t> parseSeconds(std::string_view text);

}  // namespace verolin::server
