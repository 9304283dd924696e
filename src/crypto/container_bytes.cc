// In-memory containers, for payloads small enough to hold whole (seal pictures).
#include "crypto/container_format.h"
#include "crypto/crypto.h"

namespace verolin::crypto {

bool isContainer(std::string_view leadingBytes) {
  return leadingBytes.substr(0, kMarker.size()) == kMarker;
}

std::string encryptBytes(std::string_view plain, std::string_view extension, std::string_view password) {
  const FileKeys keys = deriveFileKeys(password);
  if (isContainer(plain))
    throw CipherError(CipherFault::kAlreadyContainer, "the data is already an encrypted container");
  if (plain.empty()) throw CipherError(CipherFault::kEmptySource, "nothing to encrypt");
  std::string container = buildHeader(keys, extension);
  container.append(plain);
  Keystream(keys).apply(container.data() + kHeaderSize, plain.size(), 0);
  return container;
}

PlainBytes decryptBytes(std::string_view container, std::string_view password) {
  const FileKeys keys = deriveFileKeys(password);
  PlainBytes result;
  result.extension = verifyHeader(container, keys);
  if (container.size() == kHeaderSize) {
    throw CipherError(CipherFault::kNoBody, "the container holds no data after its header");
  }
  result.bytes.assign(container.substr(kHeaderSize));
  Keystream(keys).apply(result.bytes.data(), result.bytes.size(), 0);
  return result;
}

}  // namespace verolin::crypto
