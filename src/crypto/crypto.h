// The control's two ciphers: the encrypted document container (documents and seal pictures travel
// to and from the server only in this form) and the seal password encoding that servers store.
//
// This header is the folder's table of contents and the API for callers outside the control (the
// reference server, the command-line tools). Details live in:
//   cipher_error.h      CipherError and its faults
//   container_format.h  header bytes, key derivation, keystream, stored-extension checks
//   container_names.h   container and plain file names formed from a file name
//   atomic_file.h       the unique temporary file renamed into place
//   container_file.cc   streaming file encryption and decryption on native paths (declared here)
//   container_receiver.h  a container decrypted as it arrives (downloads), never stored
//   container_source.h  a container enciphered as it is sent (uploads), never stored
//   vb_random.h         the Basic runtime's pseudo-random generator, bit for bit
//   seal_cipher.h       PasswordSeed, StringCipher, EncodeSealPassword
//   file_cipher.h       the control's routines on Windows-style paths (separate library, uses platform/)
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "crypto/cipher_error.h"

namespace verolin::crypto {

// The fixed password of every document container exchanged with the server.
inline constexpr std::string_view kTransferPassword = "hmtrwd";
// The fixed key of the seal password encoding.
inline constexpr std::string_view kSealKey = "fesu31";
// Extension of container files.
inline constexpr std::string_view kContainerExtension = "jia";

// Called now and then while a file is processed: body bytes done so far and the body's total size.
using Progress = std::function<void(std::uint64_t done, std::uint64_t total)>;

struct FileOptions {
  Progress progress;
  // Also force the result to the disk before it is renamed into place (slower; off by default).
  bool syncToDisk = false;
  // Replace an existing target. Off: an existing target is refused with kWriteFailed and the code
  // file_exists, and nothing is written.
  bool replace = true;
};

// What an operation wrote: the final path and the extension stored in the container
// (trailing blanks removed; "" when the source name has no extension).
struct WrittenFile {
  std::filesystem::path path;
  std::string extension;
};

// Encrypts `source` into a container. `target` empty: beside the source, named from the first "." of
// the file name ("a.doc" gives "a.jia", "a" gives "a.jia"); an existing folder: that name in that
// folder; anything else: exactly that path. The result goes to a unique temporary file in the
// target's folder and is renamed into place, replacing an existing target. Passwords are UTF-8; their
// characters are taken in the wire code page.
// Throws CipherError (kAlreadyContainer, kEmptySource, kUnusablePassword, kBadExtension, kSameFile,
// kFileAccess, kWriteFailed); on any failure nothing is written and the target is untouched.
WrittenFile encryptFile(const std::filesystem::path& source, const std::filesystem::path& target = {},
                        std::string_view password = kTransferPassword, const FileOptions& options = {});

// Decrypts `container`. `target` as for encryptFile, the derived name being the container's file name
// up to its first "." followed by the stored extension ("a.jia" holding "doc" gives "a.doc").
// Throws CipherError (kNotContainer, kWrongPassword, kNoBody, kBadExtension, kUnusablePassword,
// kSameFile, kFileAccess, kWriteFailed); on any failure nothing is written.
WrittenFile decryptFile(const std::filesystem::path& container, const std::filesystem::path& target = {},
                        std::string_view password = kTransferPassword, const FileOptions& options = {});

// In-memory forms for small payloads (seal pictures). `extension` is what decryption will name the
// plain file with (cut to 6 characters). Same faults as the file forms.
std::string encryptBytes(std::string_view plain, std::string_view extension,
                         std::string_view password = kTransferPassword);

struct PlainBytes {
  std::string bytes;
  std::string extension;
};
PlainBytes decryptBytes(std::string_view container, std::string_view password = kTransferPassword);

// True when `leadingBytes` starts with the container marker "LOCKED".
bool isContainer(std::string_view leadingBytes);

// The encoded form of a seal password, as servers store it: printable ASCII only, other characters
// dropped. Throws CipherError(kUnusablePassword) only for a key the generator's seeding cannot take
// (characters that read negative in the wire code page); the default key always works.
std::string encodeSealPassword(std::string_view text, std::string_view key = kSealKey);

}  // namespace verolin::crypto
