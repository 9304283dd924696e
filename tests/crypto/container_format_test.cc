// Container bytes: key derivation, header, keystream and the stored-extension checks, in memory.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "crypto/container_format.h"
#include "crypto/crypto.h"

namespace verolin::crypto {
namespace {

using namespace std::string_literals;

CipherFault faultOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const CipherError& e) {
    return e.fault();
  }
  ADD_FAILURE() << "no CipherError";
  return CipherFault::kFileAccess;
}

// A container for password "p" (both key bytes 'p', length 1) with a raw 11-byte extension field.
std::string containerWithField(std::string field, const std::string& body = "x") {
  field.resize(kExtensionFieldSize, ' ');
  return std::string(kMarker) + "pp\x01" + field + body;
}

TEST(KeyDerivation, OneCharacterGivesBothKeyBytesEqualToItsCode) {
  const FileKeys keys = deriveFileKeys("A");
  EXPECT_EQ(keys.key1, 65);
  EXPECT_EQ(keys.key2, 65);
  EXPECT_EQ(keys.length, 1u);
}

TEST(KeyDerivation, NegativeCodesAndOverflowAreErrorsNotKeys) {
  EXPECT_EQ(faultOf([] { deriveFileKeys("密码"); }), CipherFault::kUnusablePassword);
  EXPECT_EQ(faultOf([] { deriveFileKeys(std::string(300, '~')); }), CipherFault::kUnusablePassword);
  // 256 characters derive a key but do not fit the length byte.
  EXPECT_EQ(faultOf([] { encryptBytes("data", "doc", std::string(256, 'a')); }),
            CipherFault::kUnusablePassword);
}

TEST(ContainerBytes, HeaderHoldsMarkerKeysLengthAndBlankPaddedExtension) {
  // "ab": key1 = 97 + 2*98 = 37, key2 = 2*97 + 98 = 36 (mod 256).
  const std::string container = encryptBytes("hello", "doc", "ab");
  ASSERT_EQ(container.size(), kHeaderSize + 5);
  EXPECT_EQ(container.substr(0, kHeaderSize),
            "LOCKED\x25\x24\x02"
            "doc        ");
}

TEST(ContainerBytes, KeystreamAtAnyOffsetMatchesThePositionFormula) {
  const FileKeys keys{200, 17, 3};
  const Keystream keystream(keys);
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    const std::uint64_t offset = random() % 5000;
    std::string data(random() % 1500, 'z');
    keystream.apply(data.data(), data.size(), offset);
    for (std::size_t i = 0; i < data.size(); ++i) {
      const std::uint64_t p = offset + i + 1;
      const unsigned base = p % 2 == 1 ? keys.key2 : keys.key1;
      ASSERT_EQ(static_cast<unsigned char>(data[i]), 'z' ^ ((base + p * (p + 1) / 2) % 256))
          << offset << "+" << i;
    }
  }
}

TEST(ContainerBytes, WrongKeyByteOrLengthIsAWrongPassword) {
  const std::string container = encryptBytes("document", "doc", "hmtrwd");
  EXPECT_EQ(faultOf([&] { decryptBytes(container, "hmtrwe"); }), CipherFault::kWrongPassword);
  EXPECT_EQ(faultOf([&] { decryptBytes(container, "hmtrw"); }), CipherFault::kWrongPassword);
  EXPECT_EQ(faultOf([&] { decryptBytes(container, std::string(256, 'a')); }), CipherFault::kWrongPassword);
}

TEST(ContainerBytes, StoredExtensionsThatLeaveTheFolderAreRefused) {
  const std::vector<std::string> refused = {
      "../x", "..", "a/b", "a\\b", "c:", "x.", "do\x01", "a*b", "\x00\x00\x00\x00\x00\x00"s, "\xff\xff"};
  for (const std::string& field : refused) {
    EXPECT_EQ(faultOf([&] { decryptBytes(containerWithField(field), "p"); }), CipherFault::kBadExtension)
        << field;
  }
  for (const std::string field : {"doc", "tar.gz", "", "\xd6\xd0\xce\xc4"}) {
    EXPECT_NO_THROW(decryptBytes(containerWithField(field), "p")) << field;
  }
  EXPECT_EQ(decryptBytes(containerWithField("\xd6\xd0\xce\xc4"), "p").extension, "中文");
}

}  // namespace
}  // namespace verolin::crypto
