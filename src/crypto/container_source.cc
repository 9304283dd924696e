#include "crypto/container_source.h"

#include <algorithm>
#include <system_error>

#include "crypto/container_names.h"
#include "crypto/path_text.h"
#include "crypto/system_file.h"

namespace verolin::crypto {
namespace {

[[noreturn]] void accessFailed(const std::filesystem::path& path, std::error_code code) {
  throw CipherError(CipherFault::kFileAccess, "cannot read " + utf8Of(path) + ": " + code.message(), code);
}

system_file::Handle openSource(const std::filesystem::path& path, std::uint64_t& size) {
  std::error_code error;
  const system_file::Handle file = system_file::openForReading(path, size, error);
  if (file == system_file::kClosed) accessFailed(path, error);
  return file;
}

}  // namespace

ContainerSource::ContainerSource(const std::filesystem::path& source, std::string_view password)
    : path_(source), file_(openSource(source, sourceSize_)), keystream_(FileKeys{}) {
  try {
    const FileKeys keys = deriveFileKeys(password);
    keystream_ = Keystream(keys);
    char leading[kMarker.size()] = {};
    const std::size_t got = static_cast<std::size_t>(std::min<std::uint64_t>(sourceSize_, sizeof leading));
    readSource(leading, got, 0);
    if (isContainer(std::string_view(leading, got))) {
      throw CipherError(CipherFault::kAlreadyContainer,
                        utf8Of(source) + " is already an encrypted container");
    }
    if (sourceSize_ == 0) throw CipherError(CipherFault::kEmptySource, utf8Of(source) + " is empty");
    header_ = buildHeader(keys, sourceExtension(utf8Of(source.filename())));
  } catch (...) {
    system_file::close(file_);
    throw;
  }
}

ContainerSource::~ContainerSource() {
  system_file::close(file_);
}

void ContainerSource::readSource(char* buffer, std::size_t size, std::uint64_t offset) {
  std::size_t done = 0;
  while (done < size) {
    std::error_code error;
    const std::size_t got = system_file::readAt(file_, buffer + done, size - done, offset + done, error);
    if (error) accessFailed(path_, error);
    if (got == 0) {
      throw CipherError(CipherFault::kFileAccess, utf8Of(path_) + " became shorter while it was being read",
                        std::make_error_code(std::errc::io_error));
    }
    done += got;
  }
}

std::size_t ContainerSource::read(char* buffer, std::size_t capacity) {
  std::size_t filled = 0;
  if (position_ < kHeaderSize) {
    filled = std::min(capacity, static_cast<std::size_t>(kHeaderSize - position_));
    std::copy_n(header_.data() + position_, filled, buffer);
    position_ += filled;
  }
  const std::uint64_t left = size() - position_;
  const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(capacity - filled, left));
  if (take == 0) return filled;
  const std::uint64_t offset = position_ - kHeaderSize;
  readSource(buffer + filled, take, offset);
  keystream_.apply(buffer + filled, take, offset);
  position_ += take;
  return filled + take;
}

}  // namespace verolin::crypto
