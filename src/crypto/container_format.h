// The container's bytes: a 20-byte header ("LOCKED", two key bytes, the password length, an 11-byte
// extension field) followed by the source enciphered with a position-keyed XOR stream.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace verolin::crypto {

inline constexpr std::string_view kMarker = "LOCKED";
inline constexpr std::size_t kHeaderSize = 20;
inline constexpr std::size_t kExtensionChars = 6;        // characters of the extension that are kept
inline constexpr std::size_t kExtensionFieldOffset = 9;  // after the marker, the key bytes and the length
inline constexpr std::size_t kExtensionFieldSize = 11;   // bytes 10-20: six characters and five blanks
inline constexpr std::size_t kMaxPasswordLength = 255;   // the length byte

// Key bytes and length of a password (`DeriveFileKeys`). `length` counts characters.
struct FileKeys {
  std::uint8_t key1 = 0;
  std::uint8_t key2 = 0;
  std::size_t length = 0;
};

// Derives the key bytes with the 16-bit signed arithmetic the format was defined with: a product or
// sum outside -32768..32767, or a step whose result does not fit a byte (any character that reads
// negative in the wire code page), throws CipherError(kUnusablePassword) rather than give a key
// that no other implementation would derive.
FileKeys deriveFileKeys(std::string_view password);

// The 20 header bytes for `keys` and the extension of the source (cut to 6 characters, blank-padded).
// Throws CipherError: kUnusablePassword for a password of more than 255 characters, kBadExtension when
// decryption would refuse the stored extension.
std::string buildHeader(const FileKeys& keys, std::string_view extension);

// Checks a container's first bytes (at least kHeaderSize of them when available) against `keys` and
// returns the stored extension (UTF-8, trailing blanks removed). Throws CipherError: kNotContainer
// (no marker, or fewer than 20 bytes), kWrongPassword, kBadExtension.
std::string verifyHeader(std::string_view leadingBytes, const FileKeys& keys);

// The extension field: the first six characters of `extension` in the wire code page (whole
// characters only, at most six bytes), padded with blanks to eleven bytes.
std::string extensionField(std::string_view extension);

// The extension stored in an 11-byte field, as UTF-8 with trailing blanks removed. Throws
// CipherError(kBadExtension) when it could take the plain file out of its folder or name something
// other than a plain file: path separators, ":", "..", characters no file name may hold, control
// characters, bytes invalid in the wire code page, or a trailing ".".
std::string storedExtension(std::string_view field);

// Throws CipherError(kBadExtension) for an extension storedExtension would refuse.
void checkExtension(std::string_view extension);

// The body's XOR stream. Byte p (1-based) is XORed with key2 + p(p+1)/2 when p is odd and with
// key1 + p(p+1)/2 when p is even, modulo 256; the stream repeats every 512 bytes, so one table
// serves any offset.
class Keystream {
 public:
  static constexpr std::size_t kPeriod = 512;

  explicit Keystream(const FileKeys& keys);

  // XORs `size` bytes whose first byte sits at 0-based body offset `offset`. Applying it twice
  // restores the data, so encryption and decryption are the same call.
  void apply(unsigned char* data, std::size_t size, std::uint64_t offset) const;
  void apply(char* data, std::size_t size, std::uint64_t offset) const {
    apply(reinterpret_cast<unsigned char*>(data), size, offset);
  }

 private:
  // Two periods, so that a run of up to one period starting at any phase reads contiguously.
  alignas(64) std::array<unsigned char, 2 * kPeriod> table_{};
};

}  // namespace verolin::crypto
