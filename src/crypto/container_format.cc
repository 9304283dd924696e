#include "crypto/container_format.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "crypto/ansi_codes.h"
#include "crypto/cipher_error.h"
#include "text/codepage.h"
#include "text/utf8.h"

namespace verolin::crypto {
namespace {

constexpr std::int32_t kInt16Min = std::numeric_limits<std::int16_t>::min();
constexpr std::int32_t kInt16Max = std::numeric_limits<std::int16_t>::max();

[[noreturn]] void unusablePassword() {
  throw CipherError(CipherFault::kUnusablePassword,
                    "the password holds a character the container key cannot be derived from");
}

// One step of the key arithmetic: (key + code * factor) mod 256, in signed 16-bit arithmetic whose
// result must fit a byte. The original arithmetic stops with an overflow in exactly these cases.
std::uint8_t keyStep(std::int32_t key, std::int32_t code, std::int64_t factor) {
  if (factor > kInt16Max) unusablePassword();
  const std::int64_t product = code * factor;
  if (product < kInt16Min || product > kInt16Max) unusablePassword();
  const std::int64_t sum = key + product;
  if (sum < kInt16Min || sum > kInt16Max) unusablePassword();
  const std::int64_t rest = sum % 256;  // truncating, like the original's Mod
  if (rest < 0) unusablePassword();
  return static_cast<std::uint8_t>(rest);
}

[[noreturn]] void badExtension(std::string_view why) {
  throw CipherError(CipherFault::kBadExtension,
                    "the container's stored extension is refused: " + std::string(why));
}

}  // namespace

FileKeys deriveFileKeys(std::string_view password) {
  const std::vector<std::int16_t> codes = ansiCodes(password);
  FileKeys keys;
  keys.length = codes.size();
  const auto length = static_cast<std::int64_t>(codes.size());
  std::uint8_t k1 = 0;
  std::uint8_t k2 = 0;
  for (std::int64_t i = 1; i <= length; ++i) {
    const std::int32_t code = codes[static_cast<std::size_t>(i - 1)];
    k1 = keyStep(k1, code, i);
    k2 = keyStep(k2, code, length - i + 1);
  }
  keys.key1 = k1;
  keys.key2 = k2;
  return keys;
}

std::string extensionField(std::string_view extension) {
  std::size_t chars = kExtensionChars;
  std::string bytes = text::toWire(text::left(extension, chars));
  // A double-byte character may not fit the six bytes whole; drop it rather than cut it in half.
  while (bytes.size() > kExtensionChars && chars > 0) {
    bytes = text::toWire(text::left(extension, --chars));
  }
  bytes.resize(kExtensionFieldSize, ' ');
  return bytes;
}

void checkExtension(std::string_view extension) {
  if (extension.find("..") != std::string_view::npos) badExtension("\"..\"");
  if (!extension.empty() && extension.back() == '.') badExtension("trailing \".\"");
  for (char32_t cp : text::toCodePoints(extension)) {
    if (cp < 0x20 || cp == 0x7F) badExtension("control character");
    if (cp == 0xFFFD) badExtension("bytes outside the wire code page");
    if (cp < 0x80 && std::strchr("/\\:*?\"<>|", static_cast<int>(cp)) != nullptr) {
      badExtension("path or device character");
    }
  }
}

std::string storedExtension(std::string_view field) {
  std::string_view bytes = field.substr(0, kExtensionFieldSize);
  while (!bytes.empty() && bytes.back() == ' ') bytes.remove_suffix(1);
  // Control bytes are checked before conversion, so that no code page can turn them into something else.
  for (unsigned char c : bytes) {
    if (c < 0x20 || c == 0x7F) badExtension("control character");
  }
  std::string extension = text::fromWire(bytes);
  checkExtension(extension);
  return extension;
}

std::string buildHeader(const FileKeys& keys, std::string_view extension) {
  if (keys.length > kMaxPasswordLength) {
    throw CipherError(CipherFault::kUnusablePassword, "the password is longer than 255 characters");
  }
  std::string field = extensionField(extension);
  // Refuse now what decryption would refuse, so that no container is made that cannot be opened.
  storedExtension(field);
  std::string header;
  header.reserve(kHeaderSize);
  header.append(kMarker);
  header.push_back(static_cast<char>(keys.key1));
  header.push_back(static_cast<char>(keys.key2));
  header.push_back(static_cast<char>(keys.length));
  header.append(field);
  return header;
}

std::string verifyHeader(std::string_view leadingBytes, const FileKeys& keys) {
  if (leadingBytes.substr(0, kMarker.size()) != kMarker || leadingBytes.size() < kHeaderSize) {
    throw CipherError(CipherFault::kNotContainer, "not an encrypted container");
  }
  const auto byte = [&](std::size_t position) {
    return static_cast<unsigned char>(leadingBytes[position - 1]);
  };
  const bool passwordOk = byte(7) == keys.key1 && byte(8) == keys.key2 && keys.length <= kMaxPasswordLength &&
                          byte(9) == keys.length;
  if (!passwordOk) throw CipherError(CipherFault::kWrongPassword, "wrong password for this container");
  return storedExtension(leadingBytes.substr(kExtensionFieldOffset, kExtensionFieldSize));
}

Keystream::Keystream(const FileKeys& keys) {
  for (std::size_t p = 1; p <= table_.size(); ++p) {
    const std::uint8_t base = (p % 2 == 1) ? keys.key2 : keys.key1;
    table_[p - 1] = static_cast<unsigned char>((base + p * (p + 1) / 2) % 256);
  }
}

void Keystream::apply(unsigned char* data, std::size_t size, std::uint64_t offset) const {
  // 16-byte vectors (baseline on every 64-bit x86 and ARM); memcpy keeps the loads free of alignment
  // and aliasing assumptions and compiles to plain vector loads.
  using Block = unsigned char __attribute__((vector_size(16)));
  std::size_t phase = static_cast<std::size_t>(offset % kPeriod);
  std::size_t done = 0;
  while (done < size) {
    const std::size_t run = std::min(size - done, kPeriod);
    unsigned char* out = data + done;
    const unsigned char* key = table_.data() + phase;
    std::size_t i = 0;
    for (; i + sizeof(Block) <= run; i += sizeof(Block)) {
      Block word;
      Block mask;
      std::memcpy(&word, out + i, sizeof word);
      std::memcpy(&mask, key + i, sizeof mask);
      word ^= mask;
      std::memcpy(out + i, &word, sizeof word);
    }
    for (; i < run; ++i) out[i] ^= key[i];
    done += run;
    phase = (phase + run) % kPeriod;
  }
}

}  // namespace verolin::crypto
