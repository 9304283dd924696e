// Feeds arbitrary bytes to container decryption (in memory and from a file) and to the checks on
// stored extensions and names. Fails on a crash, a read out of bounds, a name that would leave the
// folder, or any file left behind by a refused container.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "crypto/container_format.h"
#include "crypto/container_names.h"
#include "crypto/crypto.h"
#include "crypto/seal_cipher.h"

namespace {

namespace fs = std::filesystem;
using namespace verolin::crypto;

void require(bool condition) {
  if (!condition) __builtin_trap();
}

// A name formed from an accepted extension stays a plain name in its folder.
void checkName(std::string_view containerFileName, const std::string& extension) {
  const std::string name = plainName(containerFileName, extension);
  require(name.find('/') == std::string::npos && name.find('\\') == std::string::npos);
  require(name != "." && name != ".." && name.find(':') == std::string::npos);
}

void decryptInMemory(std::string_view data, std::string_view password) {
  try {
    const PlainBytes plain = decryptBytes(data, password);
    require(plain.bytes.size() + kHeaderSize == data.size());
    checkName("a.jia", plain.extension);
    // Encrypting again gives the same body; the header may differ only in the extension field's padding.
    require(encryptBytes(plain.bytes, plain.extension, password).substr(kHeaderSize) ==
            data.substr(kHeaderSize));
  } catch (const CipherError&) {
  }
}

fs::path scratchFolder() {
  static const fs::path folder = [] {
    std::atexit(
        [] { fs::remove_all(fs::temp_directory_path() / ("verolin-fuzz-" + std::to_string(::getpid()))); });
    return fs::temp_directory_path() / ("verolin-fuzz-" + std::to_string(::getpid()));
  }();
  return folder;
}

void decryptFromFile(std::string_view data) {
  fs::remove_all(scratchFolder());
  fs::create_directories(scratchFolder() / "out");
  const fs::path input = scratchFolder() / "in.jia";
  std::ofstream(input, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
  try {
    const WrittenFile written = decryptFile(input, scratchFolder() / "out", "p");
    require(written.path.parent_path() == scratchFolder() / "out");
    require(fs::file_size(written.path) + kHeaderSize == data.size());
  } catch (const CipherError&) {
    require(fs::is_empty(scratchFolder() / "out"));
  }
  for (const auto& entry : fs::directory_iterator(scratchFolder())) {
    const std::string name = entry.path().filename().string();
    require(name == "in.jia" || name == "out");  // no temporary file survives
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view data(reinterpret_cast<const char*>(bytes + 1), size - 1);
  // A container for password "p" (both key bytes 'p', length 1) around the input, so that the
  // extension field and body are reached as often as the marker check.
  const std::string framed = std::string(kMarker) + "pp\x01" + std::string(data);
  switch (bytes[0] % 5) {
    case 0:
      decryptInMemory(data, kTransferPassword);
      break;
    case 1:
      decryptInMemory(framed, "p");
      break;
    case 2:
      try {
        checkName("a.jia", storedExtension(data));
      } catch (const CipherError&) {
      }
      require(containerName(data).ends_with(".jia"));
      plainName(data, sourceExtension(data));
      break;
    case 3:
      try {
        deriveFileKeys(data);
        encodeSealPassword(data);
        stringCipher("password", data);
      } catch (const CipherError&) {
      }
      break;
    default:
      decryptFromFile(framed);
      break;
  }
  return 0;
}
