#include "crypto/container_receiver.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "crypto/container_names.h"
#include "crypto/path_text.h"

namespace verolin::crypto {
namespace {

constexpr std::size_t kPageSize = 4096;
static_assert(ContainerReceiver::kBufferSize % Keystream::kPeriod == 0);

}  // namespace

void ContainerReceiver::FreeBuffer::operator()(char* buffer) const {
  ::operator delete[](buffer, std::align_val_t{kPageSize});
}

ContainerReceiver::ContainerReceiver(std::filesystem::path folder, std::string containerName,
                                     std::string_view password)
    : folder_(std::move(folder)),
      containerName_(std::move(containerName)),
      keys_(deriveFileKeys(password)),
      keystream_(keys_),
      buffer_(static_cast<char*>(::operator new[](kBufferSize, std::align_val_t{kPageSize}))) {
  header_.reserve(kHeaderSize);
}

ContainerReceiver::~ContainerReceiver() = default;

// Collects the header; once it is whole, checks it and opens the temporary file for the body.
void ContainerReceiver::takeHeader(const char*& data, std::size_t& size) {
  const std::size_t take = std::min(size, kHeaderSize - header_.size());
  header_.append(data, take);
  data += take;
  size -= take;
  // A page that answers with a text instead of a container is refused from its first bytes.
  const std::size_t marker = std::min(header_.size(), kMarker.size());
  if (std::string_view(header_).substr(0, marker) != kMarker.substr(0, marker)) {
    throw CipherError(CipherFault::kNotContainer, containerName_ + " is not an encrypted container");
  }
  if (header_.size() < kHeaderSize) return;
  extension_ = verifyHeader(header_, keys_);
  plainName_ = plainName(containerName_, extension_);
  // A container named ".jia" holding no extension would name its own folder.
  if (plainName_.empty())
    throw CipherError(CipherFault::kBadExtension, containerName_ + " gives no file name");
  output_ = std::make_unique<AtomicFile>(folder_ / pathOfUtf8(plainName_));
}

void ContainerReceiver::write(const char* data, std::size_t size) noexcept {
  if (fault_) return;
  try {
    if (!output_) takeHeader(data, size);
    while (size > 0) {
      const std::size_t take = std::min(size, kBufferSize - buffered_);
      std::copy_n(data, take, buffer_.get() + buffered_);
      buffered_ += take;
      data += take;
      size -= take;
      if (buffered_ == kBufferSize) flush();
    }
  } catch (const CipherError& e) {
    fault_ = e;
    output_.reset();
  } catch (const std::exception& e) {
    fault_ = CipherError(CipherFault::kWriteFailed, e.what());
    output_.reset();
  }
}

void ContainerReceiver::flush() {
  keystream_.apply(buffer_.get(), buffered_, bodyDone_);
  output_->write(buffer_.get(), buffered_);
  bodyDone_ += buffered_;
  buffered_ = 0;
}

void ContainerReceiver::finish() {
  if (fault_) throw *fault_;
  if (!output_) {
    throw CipherError(CipherFault::kNotContainer, containerName_ + " is shorter than a container's header");
  }
  if (buffered_ > 0) flush();
  if (bodyDone_ == 0) {
    output_.reset();
    throw CipherError(CipherFault::kNoBody, containerName_ + " holds no data after its header");
  }
}

std::filesystem::path ContainerReceiver::commit(bool syncToDisk) {
  if (!output_ || fault_ || buffered_ > 0) {
    throw CipherError(CipherFault::kWriteFailed,
                      "the container " + containerName_ + " was not received whole");
  }
  std::unique_ptr<AtomicFile> output = std::move(output_);
  output->commit(syncToDisk);
  return folder_ / pathOfUtf8(plainName_);
}

}  // namespace verolin::crypto
