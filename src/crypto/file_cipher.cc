#include "crypto/file_cipher.h"

#include <filesystem>
#include <istream>
#include <memory>
#include <system_error>

#include "automation/error.h"
#include "crypto/container_format.h"
#include "crypto/container_names.h"
#include "crypto/crypto.h"
#include "platform/file_errors.h"

namespace verolin::crypto {
namespace {

const std::string kCaption = platform::kCaptionAttention;
const std::string kChooseFileToEncrypt = "请先选择需加密文件！";
const std::string kChooseFileToDecrypt = "请先选择需解密文件！";
const std::string kAlreadyEncrypted = "此文件已经被加密过，不能重复加密！";
const std::string kWrongPassword = "输入密码有误，请重新输入！";
const std::string kUnknownError = platform::kUnknownErrorText;

using automation::AutomationError;
namespace err = automation::err;
namespace mb = platform::mb;

// The file-access check on a path read once by the caller.
bool accessible(const std::string& path, const platform::Platform& platform) {
  platform.host->pumpMessages(1);
  for (;;) {
    try {
      platform.files->openRead(path);  // the stream closes the file as it goes
      return true;
    } catch (const AutomationError& e) {
      // Disk not ready: the message box is the wait, the user may insert the disk meanwhile.
      if (platform::reportFileError(*platform.host, e) != platform::FileErrorReaction::Retry) return false;
    }
  }
}

// Up to `count` bytes from the start of a file.
std::string leadingBytes(platform::FileSystem& files, const std::string& path, std::size_t count) {
  std::unique_ptr<std::istream> in = files.openRead(path);
  std::string bytes(count, '\0');
  in->read(bytes.data(), static_cast<std::streamsize>(count));
  bytes.resize(static_cast<std::size_t>(in->gcount()));
  return bytes;
}

FileKeys keysOf(const std::string& password, CipherState& state) {
  try {
    const FileKeys keys = deriveFileKeys(password);
    state.fileKey1 = keys.key1;
    state.fileKey2 = keys.key2;
    return keys;
  } catch (const CipherError& e) {
    throw AutomationError(err::kOverflow, e.what());
  }
}

// `path` with its file name replaced by `name`, keeping the folder part exactly as the caller wrote it.
std::string besideFile(const std::string& path, const std::string& name) {
  return path.substr(0, path.size() - platform::fileNameOf(path).size()) + name;
}

// The word processor may hold the target open; replacing it would fail there, so it fails here too.
void refuseLockedTarget(platform::FileSystem& files, const std::string& target) {
  if (files.isLocked(target)) throw CipherError(CipherFault::kWriteFailed, target + " is in use");
}

// How a failed encryption reaches the user: automation errors for what the format cannot take, a
// message for the rest.
void encryptionFailed(platform::Host& host, const CipherError& e) {
  switch (e.fault()) {
    case CipherFault::kEmptySource:
      throw AutomationError(err::kSubscriptOutOfRange, e.what());
    case CipherFault::kUnusablePassword:
      throw AutomationError(err::kOverflow, e.what());
    case CipherFault::kBadExtension:
      throw AutomationError(err::kBadFileName, e.what());
    case CipherFault::kAlreadyContainer:  // became one since it was checked
      host.messageBox(kAlreadyEncrypted, mb::kExclamation, kCaption);
      return;
    default:
      host.messageBox(kUnknownError, mb::kExclamation, kCaption);
      return;
  }
}

}  // namespace

void CheckFileAccess(CipherState& state, const platform::Platform& platform) {
  state.fileReady = accessible(state.cipherFile, platform);
}

std::string EncryptFile(CipherState& state, const platform::Platform& platform) {
  const std::string file = state.cipherFile;
  const std::string password = state.cipherPassword;
  platform::Host& host = *platform.host;
  platform::FileSystem& files = *platform.files;
  if (file.empty()) {
    host.messageBox(kChooseFileToEncrypt, mb::kQuestion, kCaption);
    return {};
  }
  state.fileReady = accessible(file, platform);
  if (!state.fileReady) return {};
  keysOf(password, state);
  if (isContainer(leadingBytes(files, file, kMarker.size()))) {
    state.isLocked = true;
    host.messageBox(kAlreadyEncrypted, mb::kExclamation, kCaption);
    return {};
  }
  state.isLocked = false;

  const std::string target = besideFile(file, containerName(platform::fileNameOf(file)));
  state.targetFile = target;
  try {
    refuseLockedTarget(files, target);
    encryptFile(files.nativePath(file), files.nativePath(target), password);
  } catch (const CipherError& e) {
    encryptionFailed(host, e);
    return {};
  }
  return target;
}

bool DecryptFile(CipherState& state, const platform::Platform& platform) {
  const std::string file = state.cipherFile;
  const std::string password = state.cipherPassword;
  platform::Host& host = *platform.host;
  platform::FileSystem& files = *platform.files;
  if (file.empty()) {
    host.messageBox(kChooseFileToDecrypt, mb::kQuestion, kCaption);
    return false;
  }
  state.fileReady = accessible(file, platform);
  if (!state.fileReady) return false;
  const FileKeys keys = keysOf(password, state);

  // VerifyContainer
  const std::string header = leadingBytes(files, file, kHeaderSize);
  state.isLocked = isContainer(header);
  state.passwordOk = false;
  std::string extension;
  try {
    extension = verifyHeader(header, keys);
    state.passwordOk = true;
  } catch (const CipherError& e) {
    // A server page that answers with an error text instead of a container fails here, silently.
    if (e.fault() == CipherFault::kWrongPassword) host.messageBox(kWrongPassword, mb::kExclamation, kCaption);
    return false;
  }
  if (files.size(file) == kHeaderSize) {
    throw AutomationError(err::kSubscriptOutOfRange,
                          "the container " + file + " holds no data after its header");
  }

  const std::string name = plainName(platform::fileNameOf(file), extension);
  if (name.empty()) return false;
  const std::string target = besideFile(file, name);
  state.targetFile = target;
  try {
    refuseLockedTarget(files, target);
    decryptFile(files.nativePath(file), files.nativePath(target), password);
  } catch (const CipherError& e) {
    switch (e.fault()) {
      case CipherFault::kNotContainer:
      case CipherFault::kWrongPassword:
      case CipherFault::kBadExtension:
        return false;  // the file changed since it was checked
      case CipherFault::kNoBody:
        throw AutomationError(err::kSubscriptOutOfRange, e.what());
      default:
        host.messageBox(kUnknownError, mb::kExclamation, kCaption);
        return false;
    }
  }
  state.plainFile = target;
  return true;
}

bool DecryptReceived(CipherState& state, const platform::Platform& platform, ContainerReceiver& receiver,
                     std::string_view path) {
  state.cipherPassword = std::string(kTransferPassword);
  state.cipherFile = std::string(path);
  platform::Host& host = *platform.host;
  host.pumpMessages(1);  // as the file-access check of a stored container does
  keysOf(state.cipherPassword, state);
  state.passwordOk = false;
  try {
    receiver.finish();
  } catch (const CipherError& e) {
    state.isLocked = e.fault() != CipherFault::kNotContainer;
    switch (e.fault()) {
      case CipherFault::kNotContainer:
      case CipherFault::kBadExtension:
        return false;  // a page that answered with a text instead of a container, silently
      case CipherFault::kWrongPassword:
        host.messageBox(kWrongPassword, mb::kExclamation, kCaption);
        return false;
      case CipherFault::kNoBody:
        throw AutomationError(err::kSubscriptOutOfRange, e.what());
      default:
        host.messageBox(kUnknownError, mb::kExclamation, kCaption);
        return false;
    }
  }
  state.isLocked = true;
  state.passwordOk = true;
  const std::string target = besideFile(state.cipherFile, receiver.plainFileName());
  state.targetFile = target;
  try {
    refuseLockedTarget(*platform.files, target);
    receiver.commit();
  } catch (const CipherError&) {
    host.messageBox(kUnknownError, mb::kExclamation, kCaption);
    return false;
  }
  state.plainFile = target;
  return true;
}

std::string EncryptForTransfer(CipherState& state, const platform::Platform& platform,
                               std::string_view path) {
  if (!platform.files->fileExists(path)) return {};
  state.cipherPassword = std::string(kTransferPassword);
  state.cipherFile = std::string(path);
  return EncryptFile(state, platform);
}

std::unique_ptr<ContainerSource> OpenForTransfer(CipherState& state, const platform::Platform& platform,
                                                 std::string_view path, std::string& container) {
  container.clear();
  if (!platform.files->fileExists(path)) return nullptr;
  state.cipherPassword = std::string(kTransferPassword);
  state.cipherFile = std::string(path);
  const std::string file = state.cipherFile;
  platform::Host& host = *platform.host;
  platform::FileSystem& files = *platform.files;
  state.fileReady = accessible(file, platform);
  if (!state.fileReady) return nullptr;
  keysOf(state.cipherPassword, state);
  if (isContainer(leadingBytes(files, file, kMarker.size()))) {
    state.isLocked = true;
    host.messageBox(kAlreadyEncrypted, mb::kExclamation, kCaption);
    return nullptr;
  }
  state.isLocked = false;
  state.targetFile = besideFile(file, containerName(platform::fileNameOf(file)));
  try {
    std::error_code ignored;
    if (std::filesystem::equivalent(files.nativePath(file), files.nativePath(state.targetFile), ignored)) {
      throw CipherError(CipherFault::kSameFile, file + " is named as its own container");
    }
    auto source = std::make_unique<ContainerSource>(files.nativePath(file), state.cipherPassword);
    container = state.targetFile;
    return source;
  } catch (const CipherError& e) {
    encryptionFailed(host, e);
    return nullptr;
  }
}

void ReportTransferEncryptionFailure(const platform::Platform& platform, const CipherError& error) {
  encryptionFailed(*platform.host, error);
}

bool DecryptTransferred(CipherState& state, const platform::Platform& platform, std::string_view path) {
  state.cipherPassword = std::string(kTransferPassword);
  state.cipherFile = std::string(path);
  return DecryptFile(state, platform);
}

std::string DecryptWithPassword(CipherState& state, const platform::Platform& platform, std::string_view path,
                                std::string_view password) {
  state.cipherPassword = std::string(password);
  state.cipherFile = std::string(path);
  return DecryptFile(state, platform) ? state.plainFile : std::string();
}

}  // namespace verolin::crypto
