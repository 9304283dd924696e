// The control's container routines on Windows-style paths ("c:\temp\a.doc"): they check the file
// through the platform's file layer, tell the user what went wrong in message boxes, and leave the
// byte work to the cipher core. Upload, download and the seal window call only the three wrappers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "crypto/container_receiver.h"
#include "crypto/container_source.h"
#include "platform/platform.h"

namespace verolin::crypto {

// The container routines' share of the control-wide state. The caller sets `cipherFile` and
// `cipherPassword` right before each routine; the routines read them once at their start, so a
// call that re-enters while messages are pumped cannot change the operation under way.
struct CipherState {
  std::string cipherFile;      // file to encrypt or decrypt (input)
  std::string cipherPassword;  // password (input)
  std::string plainFile;       // file written by the last successful decryption (output)
  std::string targetFile;      // result path of the last operation that got as far as naming it
  std::uint8_t fileKey1 = 0;
  std::uint8_t fileKey2 = 0;
  bool isLocked = false;    // the file starts with the container marker
  bool fileReady = false;   // the file could be opened
  bool passwordOk = false;  // the container's key bytes and length match the password
};

// Opens `cipherFile` for reading and closes it again, after letting messages run once. Sets
// `fileReady`. Not-found kinds of failure (52, 53, 75, 76) are silent, 68 and 71 have their own
// messages and 71 is tried again for as long as the drive stays not ready; any other shows its own
// description and "未知名的错误，程序终止！".
void CheckFileAccess(CipherState& state, const platform::Platform& platform);

// Encrypts `cipherFile` with `cipherPassword` into the container beside it (the file name up to its
// first "." followed by ".jia"). Returns the container's path, or "" when nothing was written (the
// user has been told why). Throws AutomationError 6 for a password the key cannot be derived from and
// 9 for an empty source.
std::string EncryptFile(CipherState& state, const platform::Platform& platform);

// Decrypts the container `cipherFile` with `cipherPassword` beside it, named after its first "." and
// the stored extension; sets `plainFile`. False when the file is missing or unreadable, is not a
// container, holds a refused extension (all silent), or the password does not match (a message).
// Throws AutomationError 6 for a password the key cannot be derived from and 9 for a container
// without body.
bool DecryptFile(CipherState& state, const platform::Platform& platform);

// Ends a container received as it arrived (a download), which decrypted itself under the transfer
// password into the folder of `path`, the Windows-style path the container would have been stored at.
// Puts the plain file in place and sets `plainFile`, with the results and messages of DecryptFile on
// that container: false (silent) when it was no container or gives a refused name, false with a
// message for a wrong password or a failed write; AutomationError 9 for a container without body.
bool DecryptReceived(CipherState& state, const platform::Platform& platform, ContainerReceiver& receiver,
                     std::string_view path);

// Encrypts `path` with the transfer password when the file exists; the container's path or "".
std::string EncryptForTransfer(CipherState& state, const platform::Platform& platform, std::string_view path);

// The container of `path` under the transfer password, produced as it is sent (the upload) instead of
// written beside the file, after the checks and with the messages of EncryptForTransfer: nullptr when
// the file does not exist or nothing can be produced (the user has been told why); the same automation
// errors for an empty source (9) and a refused extension (52). `container` receives the path that
// EncryptForTransfer would have written the container to ("" with nullptr).
std::unique_ptr<ContainerSource> OpenForTransfer(CipherState& state, const platform::Platform& platform,
                                                 std::string_view path, std::string& container);

// Tells the user that the container of OpenForTransfer failed while it was being sent, as
// EncryptForTransfer tells a failed encryption (the same message or automation error).
void ReportTransferEncryptionFailure(const platform::Platform& platform, const CipherError& error);

// Decrypts `path` with the transfer password.
bool DecryptTransferred(CipherState& state, const platform::Platform& platform, std::string_view path);

// Decrypts `path` with `password` (a seal picture); the plain file's path, or "" when it failed.
std::string DecryptWithPassword(CipherState& state, const platform::Platform& platform, std::string_view path,
                                std::string_view password);

}  // namespace verolin::crypto
