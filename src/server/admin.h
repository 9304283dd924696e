// The administration of a data folder, behind `verolin owner ...` and `verolin doc ...`. Every function
// checks its input in full before it writes anything, and reports a refusal as AdminError with a
// message meant for the user.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "server/store.h"

namespace verolin::server {

class AdminError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file name under which the control asks for a seal picture: the picture's name without its
// extension, with characters the control's URLs cannot carry replaced by "_", followed by ".jia". The
// control downloads it under this name and decrypts it beside it, to the picture's own extension.
std::string sealPictureName(const std::filesystem::path& picture);

// The kind of picture the bytes hold, by their content: "PNG", "GIF", "JPEG" or "BMP"; "" for
// anything else.
std::string pictureKind(std::string_view bytes);

// Throws AdminError unless `picture` is a file holding a PNG, GIF, JPEG or BMP picture: the control
// shows the seal picture as it decrypts it, and anything else would fail only at the user's desk.
void checkSealPicture(const std::filesystem::path& picture);

struct OwnerAdded {
  std::string pictureName;
  bool replaced = false;
};

// Stores a seal owner: the seal password encoded as the control checks it, and the picture as a
// container encrypted with that password. An existing owner is replaced only with `replace`.
OwnerAdded addOwner(Store& store, const std::string& name, const std::string& password,
                    const std::filesystem::path& picture, bool replace);

// The name a document file gets by default: its name up to the first "." followed by ".jia", the
// form the control expects (a.doc gives a.jia).
std::string defaultDocumentName(const std::filesystem::path& file);

// Empty, or why the control will not open the document after downloading it under `name` with
// `storedExtension`: it opens the downloaded name with its last four characters replaced by ".doc",
// while the decryption writes the name up to its first "." plus the stored extension.
std::string documentNameWarning(const std::string& name, const std::string& storedExtension);

struct DocumentPut {
  std::string name;
  std::string extension;   // stored in the container
  std::uint64_t size = 0;  // of the container
  std::string warning;     // documentNameWarning, or empty
};

// Encrypts `file` with the transfer password and stores it under `name` (default name when empty).
// Known marks stay unless `clearMarks`.
DocumentPut putDocument(Store& store, const std::filesystem::path& file, const std::string& name,
                        bool clearMarks);

// Decrypts the stored document to `out` (into it, under the document's own name, when `out` is a
// folder). An existing file is replaced only with `replace`. Returns the file written.
std::filesystem::path getDocument(Store& store, const std::string& name, const std::filesystem::path& out,
                                  bool replace = true);

}  // namespace verolin::server
