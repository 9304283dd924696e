// Streaming encryption and decryption of files: memory stays at the pipeline's buffers whatever the
// file size.
#include <algorithm>
#include <string>
#include <system_error>

#include "crypto/atomic_file.h"
#include "crypto/cipher_pipeline.h"
#include "crypto/container_format.h"
#include "crypto/container_names.h"
#include "crypto/crypto.h"
#include "crypto/system_file.h"

namespace verolin::crypto {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void accessFailed(const fs::path& path, std::error_code code) {
  throw CipherError(CipherFault::kFileAccess, "cannot read " + path.string() + ": " + code.message(), code);
}

class InputFile {
 public:
  explicit InputFile(const fs::path& path) : path_(path) {
    std::error_code error;
    file_ = system_file::openForReading(path, size_, error);
    if (error) accessFailed(path, error);
  }
  ~InputFile() { system_file::close(file_); }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  std::uint64_t size() const { return size_; }

  // Fills `buffer` up to `capacity` unless the file ends first; returns the bytes read (0 at the end).
  std::size_t read(char* buffer, std::size_t capacity) {
    std::size_t filled = 0;
    while (filled < capacity) {
      std::error_code error;
      const std::size_t got = system_file::readSome(file_, buffer + filled, capacity - filled, error);
      if (error) accessFailed(path_, error);
      if (got == 0) break;
      filled += got;
    }
    return filled;
  }

 private:
  fs::path path_;
  system_file::Handle file_ = system_file::kClosed;
  std::uint64_t size_ = 0;
};

// Where a result goes: beside the input under `derivedName`, into the folder `target` under that
// name, or exactly to `target`.
fs::path resolveTarget(const fs::path& input, const fs::path& target, const std::string& derivedName) {
  if (target.empty()) return input.parent_path() / derivedName;
  std::error_code ignored;
  if (fs::is_directory(target, ignored)) return target / derivedName;
  return target;
}

void refuseSameFile(const fs::path& input, const fs::path& output) {
  std::error_code ignored;
  if (fs::equivalent(input, output, ignored)) {
    throw CipherError(CipherFault::kSameFile,
                      "the result " + output.string() + " would overwrite the file being read");
  }
}

// Without `replace`, an existing result is refused before anything is written.
void refuseExisting(const fs::path& output, const FileOptions& options) {
  std::error_code error;
  if (options.replace || !fs::exists(fs::symlink_status(output, error))) return;
  const std::error_code exists = std::make_error_code(std::errc::file_exists);
  throw CipherError(CipherFault::kWriteFailed,
                    "will not replace " + output.string() + ": " + exists.message(), exists);
}

// Enciphers the body into `output`: the `firstSize` bytes that follow `prefixSize` clear bytes in the
// pipeline's first buffer, then the rest of `input`.
void streamBody(CipherPipeline& pipeline, InputFile& input, AtomicFile& output, std::size_t prefixSize,
                std::size_t firstSize, std::uint64_t total, const Progress& progress) {
  pipeline.run(
      prefixSize, firstSize, [&](char* buffer, std::size_t capacity) { return input.read(buffer, capacity); },
      [&](const char* data, std::size_t size) { output.write(data, size); }, total, progress);
}

}  // namespace

WrittenFile encryptFile(const fs::path& source, const fs::path& target, std::string_view password,
                        const FileOptions& options) {
  InputFile input(source);
  const FileKeys keys = deriveFileKeys(password);
  const Keystream keystream(keys);
  CipherPipeline pipeline(keystream);
  // The header goes in front of the first piece and leaves with it, so that the body's later writes
  // start on page boundaries of the container rather than 20 bytes past them.
  char* first = pipeline.firstBuffer();
  char* body = first + kHeaderSize;
  const std::size_t firstSize = input.read(body, CipherPipeline::kBufferSize - kHeaderSize);
  if (isContainer(std::string_view(body, firstSize))) {
    throw CipherError(CipherFault::kAlreadyContainer, source.string() + " is already an encrypted container");
  }
  if (firstSize == 0) throw CipherError(CipherFault::kEmptySource, source.string() + " is empty");

  const std::string header = buildHeader(keys, sourceExtension(source.filename().string()));
  WrittenFile result;
  result.extension =
      storedExtension(std::string_view(header).substr(kExtensionFieldOffset, kExtensionFieldSize));
  result.path = resolveTarget(source, target, containerName(source.filename().string()));
  refuseSameFile(source, result.path);
  refuseExisting(result.path, options);

  AtomicFile output(result.path);
  std::copy(header.begin(), header.end(), first);
  streamBody(pipeline, input, output, kHeaderSize, firstSize, input.size(), options.progress);
  output.commit(options.syncToDisk, options.replace);
  return result;
}

WrittenFile decryptFile(const fs::path& container, const fs::path& target, std::string_view password,
                        const FileOptions& options) {
  InputFile input(container);
  const FileKeys keys = deriveFileKeys(password);
  const Keystream keystream(keys);
  CipherPipeline pipeline(keystream);
  char* first = pipeline.firstBuffer();
  const std::size_t headerSize = input.read(first, kHeaderSize);
  WrittenFile result;
  result.extension = verifyHeader(std::string_view(first, headerSize), keys);
  const std::size_t firstSize = input.read(first, CipherPipeline::kBufferSize);
  if (firstSize == 0) {
    throw CipherError(CipherFault::kNoBody, container.string() + " holds no data after its header");
  }
  const std::string name = plainName(container.filename().string(), result.extension);
  // A container named ".jia" holding no extension would name its own folder.
  if (name.empty()) throw CipherError(CipherFault::kBadExtension, container.string() + " gives no file name");
  result.path = resolveTarget(container, target, name);
  refuseSameFile(container, result.path);
  refuseExisting(result.path, options);

  AtomicFile output(result.path);
  const std::uint64_t total = input.size() > kHeaderSize ? input.size() - kHeaderSize : 0;
  streamBody(pipeline, input, output, 0, firstSize, total, options.progress);
  output.commit(options.syncToDisk, options.replace);
  return result;
}

}  // namespace verolin::crypto
