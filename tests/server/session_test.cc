// Session cookies on their own: minting, every way a cookie can fail the check, and the texts around
// them (base64url, the Cookie header, durations).
#include <gtest/gtest.h>

#include <vector>

#include "server/session.h"

namespace verolin::server {
namespace {

const std::string kSecret(40, 's');
constexpr std::int64_t kNow = 1'800'000'000;

TEST(Session, MintedCookieChecksAndCarriesItsFields) {
  const std::string value = mintSession(kSecret, {"张三", kNow + 60, "docs/2006/"});
  const auto checked = checkSession(kSecret, value, kNow);
  ASSERT_EQ(checked.check, SessionCheck::kValid);
  EXPECT_EQ(checked.session->user, "张三");
  EXPECT_EQ(checked.session->expires, kNow + 60);
  EXPECT_EQ(checked.session->documents, "docs/2006/");
  // Only characters a cookie value may hold without quoting.
  EXPECT_EQ(value.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_."),
            std::string::npos);
}

TEST(Session, ExpiredForgedAndMalformedCookiesAreRefused) {
  const std::string value = mintSession(kSecret, {"wang", kNow + 60, ""});
  const auto expired = checkSession(kSecret, value, kNow + 60);
  EXPECT_EQ(expired.check, SessionCheck::kExpired);
  EXPECT_EQ(expired.session->user, "wang");  // genuine, so the record may name the user

  EXPECT_EQ(checkSession(std::string(40, 't'), value, kNow).check, SessionCheck::kBadSignature);
  EXPECT_FALSE(checkSession(std::string(40, 't'), value, kNow).session);
  // Another user's payload under the first one's signature.
  const std::string other = mintSession(kSecret, {"li", kNow + 60, ""});
  const std::string spliced = other.substr(0, other.find('.')) + value.substr(value.find('.'));
  EXPECT_EQ(checkSession(kSecret, spliced, kNow).check, SessionCheck::kBadSignature);
  std::string flipped = value;
  flipped.back() = flipped.back() == 'A' ? 'B' : 'A';
  EXPECT_NE(checkSession(kSecret, flipped, kNow).check, SessionCheck::kValid);

  for (const std::string& bad : std::vector<std::string>{"", "abc", "!!.!!", value + "=", "a=b.c"}) {
    EXPECT_EQ(checkSession(kSecret, bad, kNow).check, SessionCheck::kMalformed) << bad;
  }
  EXPECT_EQ(checkSession(kSecret, base64Url("u\n1\n") + ".", kNow).check, SessionCheck::kBadSignature);
  // A user whose name would move the expiry into the user field cannot be minted.
  EXPECT_THROW(mintSession(kSecret, {"a\n9999999999", kNow, ""}), SessionError);
  EXPECT_THROW(mintSession(kSecret, {"", kNow, ""}), SessionError);
}

TEST(Session, DocumentPrefixCoversOnlyNamesUnderIt) {
  const Session all{"u", kNow, ""};
  const Session docs{"u", kNow, "docs/"};
  EXPECT_TRUE(sessionCovers(all, "a.jia"));
  EXPECT_TRUE(sessionCovers(docs, "docs/a.jia"));
  EXPECT_FALSE(sessionCovers(docs, "a.jia"));
  EXPECT_FALSE(sessionCovers(docs, "doc"));
}

TEST(Session, CookieHeaderIsSearchedByExactName) {
  EXPECT_EQ(cookieValue("a=1; verolin_session=xyz; b=2", "verolin_session"), "xyz");
  EXPECT_EQ(cookieValue("verolin_session_old=1;verolin_session=\"q\"", "verolin_session"), "q");
  EXPECT_EQ(cookieValue("a=1", "verolin_session"), std::nullopt);
  EXPECT_EQ(cookieValue("", "a"), std::nullopt);
  EXPECT_TRUE(isCookieName("verolin_session"));
  EXPECT_FALSE(isCookieName("a b"));
  EXPECT_FALSE(isCookieName("a=b"));
  EXPECT_FALSE(isCookieName(""));
}

TEST(Session, Base64UrlRoundTripsAndRefusesOtherSpellings) {
  std::string bytes;
  for (int n = 0; n < 40; ++n) {
    EXPECT_EQ(fromBase64Url(base64Url(bytes)), bytes) << n;
    bytes += static_cast<char>(n * 37 + 200);
  }
  EXPECT_EQ(base64Url("\xfb\xff"), "-_8");
  EXPECT_EQ(fromBase64Url("-_8"), "\xfb\xff");
  EXPECT_EQ(fromBase64Url("-_9"), std::nullopt);   // leftover bits set
  EXPECT_EQ(fromBase64Url("QQ=="), std::nullopt);  // padding
  EXPECT_EQ(fromBase64Url("Q"), std::nullopt);
  EXPECT_EQ(fromBase64Url("a+b/"), std::nullopt);  // the other alphabet
}

TEST(Session, DurationsAndSecrets) {
  EXPECT_EQ(parseSeconds("8h"), 8 * 3600);
  EXPECT_EQ(parseSeconds("30m"), 1800);
  EXPECT_EQ(parseSeconds("2d"), 2 * 86400);
  EXPECT_EQ(parseSeconds("45"), 45);
  EXPECT_EQ(parseSeconds("45s"), 45);
  for (const char* bad : {"", "h", "0", "-5m", "1.5h", "8 h", "8w", "99999999999999999999"}) {
    EXPECT_EQ(parseSeconds(bad), std::nullopt) << bad;
  }
  EXPECT_THROW(checkSessionOptions(std::string(31, 'x'), "verolin_session"), std::invalid_argument);
  EXPECT_THROW(checkSessionOptions(std::nullopt, "bad name"), std::invalid_argument);
  EXPECT_NO_THROW(checkSessionOptions(kSecret, "verolin_session"));
}

}  // namespace
}  // namespace verolin::server
