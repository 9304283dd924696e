// A container decrypted as its bytes arrive (a download), straight into the plain file that
// decryptFile would have written from the stored container: the container itself is never stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "crypto/atomic_file.h"
#include "crypto/container_format.h"
#include "crypto/crypto.h"

namespace verolin::crypto {

class ContainerReceiver {
 public:
  // The plain file goes into `folder`, named from `containerName` (the name the container would have
  // had) and the stored extension, as decryptFile names it. Throws CipherError(kUnusablePassword).
  ContainerReceiver(std::filesystem::path folder, std::string containerName,
                    std::string_view password = kTransferPassword);
  ~ContainerReceiver();
  ContainerReceiver(const ContainerReceiver&) = delete;
  ContainerReceiver& operator=(const ContainerReceiver&) = delete;

  // Takes the next bytes of the container. Never throws, so that it can sit under a network library's
  // callback: the first fault (a refused header, a failed write) is kept for finish(), and the bytes
  // after it are dropped.
  void write(const char* data, std::size_t size) noexcept;

  // Ends the input: writes what is still buffered. Throws the kept fault, or
  // CipherError kNotContainer (fewer than 20 bytes, or no marker), kNoBody (nothing after the
  // header), kWriteFailed; nothing is then left behind.
  void finish();

  // After finish(): the stored extension and the plain file's name (valid once the header arrived).
  const std::string& extension() const { return extension_; }
  const std::string& plainFileName() const { return plainName_; }

  // After finish(): renames the plain file into place, replacing a file of that name. Throws
  // CipherError(kWriteFailed); the temporary file is then gone. Without commit the destructor removes
  // the temporary file.
  std::filesystem::path commit(bool syncToDisk = false);

  // The file offsets of the body writes start at multiples of this many bytes.
  static constexpr std::size_t kBufferSize = std::size_t{1} << 18;

 private:
  void takeHeader(const char*& data, std::size_t& size);
  void flush();

  std::filesystem::path folder_;
  std::string containerName_;
  FileKeys keys_;
  Keystream keystream_;
  std::string header_;
  std::string extension_;
  std::string plainName_;
  std::unique_ptr<AtomicFile> output_;
  struct FreeBuffer {
    void operator()(char* buffer) const;
  };
  std::unique_ptr<char[], FreeBuffer> buffer_;
  std::size_t buffered_ = 0;
  std::uint64_t bodyDone_ = 0;  // body bytes enciphered and written
  std::optional<CipherError> fault_;
};

}  // namespace verolin::crypto
