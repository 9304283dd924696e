#include "server/session.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <array>
#include <charconv>
#include <fstream>
#include <iterator>

namespace verolin::server {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

int sextet(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '-') return 62;
  if (c == '_') return 63;
  return -1;
}

std::string signature(std::string_view secret, std::string_view payload) {
  std::array<unsigned char, EVP_MAX_MD_SIZE> mac{};
  unsigned int length = 0;
  if (!HMAC(EVP_sha256(), secret.data(), static_cast<int>(secret.size()),
            reinterpret_cast<const unsigned char*>(payload.data()), payload.size(), mac.data(), &length)) {
    throw SessionError("the session signature cannot be computed");
  }
  return std::string(reinterpret_cast<const char*>(mac.data()), length);
}

bool holdsLineEnd(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

std::optional<std::int64_t> parseInteger(std::string_view text) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

}  // namespace

std::string loadSessionSecret(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw SessionError("cannot read the session secret " + file.string());
  std::string secret{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  while (!secret.empty() && (secret.back() == '\n' || secret.back() == '\r')) secret.pop_back();
  if (secret.size() < kMinSecretBytes) {
    throw SessionError("the session secret in " + file.string() + " has " + std::to_string(secret.size()) +
                       " bytes; it needs at least " + std::to_string(kMinSecretBytes) +
                       " (make one with: openssl rand -hex 32 > " + file.string() + ")");
  }
  return secret;
}

std::string mintSession(std::string_view secret, const Session& session) {
  if (session.user.empty()) throw SessionError("the session's user is empty");
  if (holdsLineEnd(session.user)) throw SessionError("the session's user holds a line end");
  if (holdsLineEnd(session.documents)) throw SessionError("the session's document prefix holds a line end");
  const std::string payload =
      base64Url(session.user + "\n" + std::to_string(session.expires) + "\n" + session.documents);
  return payload + "." + base64Url(signature(secret, payload));
}

CheckedSession checkSession(std::string_view secret, std::string_view cookieValue, std::int64_t now) {
  CheckedSession result;
  const auto dot = cookieValue.find('.');
  if (dot == std::string_view::npos) return result;
  const std::string_view payload = cookieValue.substr(0, dot);
  const auto mac = fromBase64Url(cookieValue.substr(dot + 1));
  const auto text = fromBase64Url(payload);
  if (!mac || !text) return result;
  const std::string expected = signature(secret, payload);
  if (mac->size() != expected.size() || CRYPTO_memcmp(mac->data(), expected.data(), expected.size()) != 0) {
    result.check = SessionCheck::kBadSignature;
    return result;
  }
  const auto first = text->find('\n');
  const auto second = first == std::string::npos ? first : text->find('\n', first + 1);
  if (second == std::string::npos) return result;
  const auto expires = parseInteger(std::string_view(*text).substr(first + 1, second - first - 1));
  if (!expires || first == 0) return result;
  result.session = Session{text->substr(0, first), *expires, text->substr(second + 1)};
  result.check = *expires > now ? SessionCheck::kValid : SessionCheck::kExpired;
  return result;
}

std::string describe(SessionCheck check) {
  switch (check) {
    case SessionCheck::kValid:
      return "a valid session";
    case SessionCheck::kMalformed:
      return "the session cookie is malformed";
    case SessionCheck::kBadSignature:
      return "the session cookie is not signed with this server's secret";
    case SessionCheck::kExpired:
      return "the session has expired";
  }
  return "the session cookie is malformed";
}

bool sessionCovers(const Session& session, std::string_view name) {
  return name.substr(0, session.documents.size()) == session.documents;
}

bool isCookieName(std::string_view name) {
  if (name.empty()) return false;
  for (const char c : name) {
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!alnum && std::string_view("!#$&'*+-.^_`|~").find(c) == std::string_view::npos) return false;
  }
  return true;
}

void checkSessionOptions(const std::optional<std::string>& secret, const std::string& cookieName) {
  if (!isCookieName(cookieName)) {
    throw std::invalid_argument("the session cookie name \"" + cookieName +
                                "\" is not a cookie name (letters, digits and !#$&'*+-.^_`|~)");
  }
  if (secret && secret->size() < kMinSecretBytes) {
    throw std::invalid_argument("the session secret needs at least " + std::to_string(kMinSecretBytes) +
                                " bytes");
  }
}

std::optional<std::string> cookieValue(std::string_view header, std::string_view name) {
  while (!header.empty()) {
    const auto end = header.find(';');
    std::string_view pair = header.substr(0, end);
    header = end == std::string_view::npos ? std::string_view() : header.substr(end + 1);
    while (!pair.empty() && (pair.front() == ' ' || pair.front() == '\t')) pair.remove_prefix(1);
    while (!pair.empty() && (pair.back() == ' ' || pair.back() == '\t')) pair.remove_suffix(1);
    const auto equals = pair.find('=');
    if (equals == std::string_view::npos || pair.substr(0, equals) != name) continue;
    std::string_view value = pair.substr(equals + 1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    return std::string(value);
  }
  return std::nullopt;
}

std::string base64Url(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() * 4 + 2) / 3);
  std::uint32_t buffer = 0;
  int bits = 0;
  for (const char c : bytes) {
    buffer = (buffer << 8) | static_cast<unsigned char>(c);
    bits += 8;
    while (bits >= 6) {
      bits -= 6;
      out += kAlphabet[(buffer >> bits) & 0x3F];
    }
  }
  if (bits > 0) out += kAlphabet[(buffer << (6 - bits)) & 0x3F];
  return out;
}

std::optional<std::string> fromBase64Url(std::string_view text) {
  if (text.size() % 4 == 1) return std::nullopt;
  std::string out;
  std::uint32_t buffer = 0;
  int bits = 0;
  for (const char c : text) {
    const int value = sextet(c);
    if (value < 0) return std::nullopt;
    buffer = (buffer << 6) | static_cast<std::uint32_t>(value);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((buffer >> bits) & 0xFF);
    }
  }
  // Leftover bits must be zero, so that every value has exactly one spelling.
  if ((buffer & ((1u << bits) - 1)) != 0) return std::nullopt;
  return out;
}

std::optional<std::int64_t> parseSeconds(std::string_view text) {
  std::int64_t unit = 1;
  if (!text.empty()) {
    switch (text.back()) {
      case 's':
        unit = 1;
        break;
      case 'm':
        unit = 60;
        break;
      case 'h':
        unit = 3600;
        break;
      case 'd':
        unit = 86400;
        break;
      default:
        unit = 0;
    }
    if (unit != 0)
      text.remove_suffix(1);
    else
      unit = 1;
  }
  const auto count = parseInteger(text);
  if (!count || *count <= 0 || *count > (std::int64_t{1} << 40) / unit) return std::nullopt;
  return *count * unit;
}

}  // namespace verolin::server
