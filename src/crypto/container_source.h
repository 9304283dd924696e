// A container produced as its bytes are taken (an upload): the header, then the source enciphered
// piece by piece straight from the plain file, so that the container itself is never stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "crypto/container_format.h"
#include "crypto/crypto.h"
#include "crypto/system_file.h"

namespace verolin::crypto {

class ContainerSource {
 public:
  // Opens `source` and checks it as encryptFile does, in the same order. Throws CipherError
  // (kFileAccess, kAlreadyContainer, kEmptySource, kUnusablePassword, kBadExtension).
  explicit ContainerSource(const std::filesystem::path& source,
                           std::string_view password = kTransferPassword);
  ~ContainerSource();
  ContainerSource(const ContainerSource&) = delete;
  ContainerSource& operator=(const ContainerSource&) = delete;

  // Bytes of the whole container: the header and the source as it was when opened.
  std::uint64_t size() const { return kHeaderSize + sourceSize_; }

  // Fills up to `capacity` bytes with the container's next bytes; returns how many, 0 at the end.
  // Throws CipherError(kFileAccess) when the source cannot be read or has become shorter than it was
  // when opened, since the container announced by size() could then not be given whole. Bytes the
  // source gained meanwhile are left out.
  std::size_t read(char* buffer, std::size_t capacity);

  // Starts again from the container's first byte (a redirect that sends the body again).
  void rewind() { position_ = 0; }

 private:
  // Fills `size` bytes from the source's byte `offset`, or throws.
  void readSource(char* buffer, std::size_t size, std::uint64_t offset);

  std::filesystem::path path_;
  std::uint64_t sourceSize_ = 0;  // before file_, whose opening sets it
  system_file::Handle file_ = system_file::kClosed;
  Keystream keystream_;
  std::string header_;
  std::uint64_t position_ = 0;  // container bytes given so far
};

}  // namespace verolin::crypto
