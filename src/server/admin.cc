#include "server/admin.h"

#include <fstream>
#include <system_error>

#include "crypto/container_format.h"
#include "crypto/crypto.h"
#include "server/names.h"
#include "text/codepage.h"
#include "text/utf8.h"

namespace verolin::server {
namespace {

namespace fs = std::filesystem;

bool survivesWire(const std::string& text) {
  return text::fromWire(text::toWire(text)) == text;
}

void checkNameForControl(const std::string& what, const std::string& name) {
  if (!text::isValid(name)) throw AdminError(what + " is not valid UTF-8 text");
  if (const std::string problem = urlValueProblem(name); !problem.empty()) {
    throw AdminError(what + " \"" + name + "\": " + problem);
  }
  if (!survivesWire(name)) {
    throw AdminError(what + " \"" + name + "\" holds characters the code page " + text::wireCodePage() +
                     " cannot carry to the control");
  }
}

std::string readWholeFile(const fs::path& file, const std::string& what) {
  std::error_code error;
  if (!fs::is_regular_file(file, error)) throw AdminError("no " + what + " file at " + file.string());
  const auto size = fs::file_size(file, error);
  std::ifstream in(file, std::ios::binary);
  std::string bytes(error ? 0 : size, '\0');
  if (error || !in || !in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
    throw AdminError("cannot read " + file.string());
  }
  return bytes;
}

std::string lowerAscii(std::string text) {
  return text::toLowerAscii(text);
}

}  // namespace

std::string sealPictureName(const fs::path& picture) {
  std::string stem;
  for (const char c : picture.stem().string()) {
    const auto u = static_cast<unsigned char>(c);
    const bool unsafe =
        u < 0x20 || u == 0x7F || std::string_view("./\\:#%&?=+ ").find(c) != std::string_view::npos;
    stem += unsafe ? '_' : c;
  }
  if (stem.empty() || !text::isValid(stem) || !survivesWire(stem)) stem = "seal";
  return stem + "." + std::string(crypto::kContainerExtension);
}

std::string pictureKind(std::string_view bytes) {
  if (bytes.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8)) return "PNG";
  if (bytes.substr(0, 6) == "GIF87a" || bytes.substr(0, 6) == "GIF89a") return "GIF";
  if (bytes.substr(0, 3) == "\xff\xd8\xff") return "JPEG";
  if (bytes.size() >= 18 && bytes.substr(0, 2) == "BM") {
    // The size of the header after the file header tells the BMP variants from text starting "BM".
    unsigned header = 0;
    for (int i = 17; i >= 14; --i) header = header << 8 | static_cast<unsigned char>(bytes[i]);
    for (const unsigned known : {12u, 40u, 52u, 56u, 64u, 108u, 124u}) {
      if (header == known) return "BMP";
    }
  }
  return {};
}

void checkSealPicture(const fs::path& picture) {
  const std::string bytes = readWholeFile(picture, "picture");
  if (pictureKind(bytes).empty()) {
    throw AdminError(picture.string() + " is not a PNG, GIF, JPEG or BMP picture");
  }
}

OwnerAdded addOwner(Store& store, const std::string& name, const std::string& password,
                    const fs::path& picture, bool replace) {
  if (name.empty()) throw AdminError("the owner name is empty");
  checkNameForControl("the owner name", name);
  if (password.empty()) throw AdminError("the seal password is empty");
  if (password.size() > crypto::kMaxPasswordLength) {
    throw AdminError("the seal password is longer than " + std::to_string(crypto::kMaxPasswordLength) +
                     " characters");
  }
  for (const char c : password) {
    // The control compares only these characters of a typed password, so any other would let a
    // different password pass.
    if (c < 0x20 || c > 0x7E) throw AdminError("the seal password may hold only printable ASCII characters");
  }
  if (!replace && store.owner(name)) {
    throw AdminError("a seal owner named " + name + " exists (remove it first, or add --replace)");
  }
  const std::string plain = readWholeFile(picture, "picture");
  if (plain.empty()) throw AdminError("the picture file " + picture.string() + " is empty");
  if (crypto::isContainer(plain))
    throw AdminError(picture.string() + " is already a container; give the picture itself");
  std::string extension = picture.extension().string();
  if (!extension.empty()) extension.erase(0, 1);
  if (extension.empty()) {
    throw AdminError(
        "the picture needs an extension (bmp, jpg, gif, png): the control loads it by that name");
  }

  OwnerAdded added{sealPictureName(picture), false};
  std::string container;
  try {
    container = crypto::encryptBytes(plain, extension, password);
  } catch (const crypto::CipherError& e) {
    throw AdminError(std::string("cannot encrypt the picture: ") + e.what());
  }
  StagedBody body = store.stage();
  body.write(container.data(), container.size());
  const auto result = store.saveOwner(name, crypto::encodeSealPassword(password), added.pictureName,
                                      std::move(body), replace);
  if (result == Store::OwnerResult::kExists) {
    throw AdminError("a seal owner named " + name + " exists (remove it first, or add --replace)");
  }
  added.replaced = result == Store::OwnerResult::kReplaced;
  return added;
}

std::string defaultDocumentName(const fs::path& file) {
  const std::string leaf = file.filename().string();
  return leaf.substr(0, leaf.find('.')) + "." + std::string(crypto::kContainerExtension);
}

std::string documentNameWarning(const std::string& name, const std::string& storedExtension) {
  const std::string_view leaf = lastSegment(name);
  const std::size_t dot = leaf.find('.');
  const std::string firstDotName = std::string(leaf.substr(0, dot)) + "." + storedExtension;
  const std::string opened = leaf.size() >= 4 ? std::string(leaf.substr(0, leaf.size() - 4)) + ".doc" : "";
  if (lowerAscii(firstDotName) == lowerAscii(std::string(leaf))) {
    return "the control would decrypt " + std::string(leaf) + " onto its own downloaded copy; name it " +
           std::string(leaf.substr(0, dot)) + ".jia";
  }
  if (lowerAscii(firstDotName) != lowerAscii(opened)) {
    return "the control opens a downloaded " + std::string(leaf) + " as " + (opened.empty() ? "?" : opened) +
           ", but decrypting it gives " + firstDotName +
           "; the control opens documents stored from .doc files under a name like a.jia";
  }
  return {};
}

DocumentPut putDocument(Store& store, const fs::path& file, const std::string& requestedName,
                        bool clearMarks) {
  const std::string name = requestedName.empty() ? defaultDocumentName(file) : requestedName;
  if (const std::string problem = nameProblem(name); !problem.empty()) {
    throw AdminError("the document name \"" + name + "\": " + problem);
  }
  checkNameForControl("the document name", name);
  std::error_code error;
  if (!fs::is_regular_file(file, error)) throw AdminError("no document file at " + file.string());

  StagedBody body = store.stage();
  DocumentPut put{name, {}, 0, {}};
  try {
    put.extension = crypto::encryptFile(file, body.path(), crypto::kTransferPassword).extension;
  } catch (const crypto::CipherError& e) {
    throw AdminError("cannot encrypt " + file.string() + ": " + e.what());
  }
  store.saveDocument(name, std::move(body), {}, {}, clearMarks);
  if (auto stored = store.document(name)) put.size = stored->size;
  put.warning = documentNameWarning(name, put.extension);
  return put;
}

fs::path getDocument(Store& store, const std::string& name, const fs::path& out, bool replace) {
  // A concurrent upload may replace the body between the look-up and the read; look again then.
  for (int attempt = 0; attempt < 5; ++attempt) {
    auto opened = store.openDocument(name);
    if (!opened) throw AdminError("no document named " + name);
    fs::path target = out;
    std::error_code error;
    if (fs::is_directory(out, error)) {
      std::string head(crypto::kHeaderSize, '\0');
      head.resize(opened->reader->read(head.data(), head.size(), 0));
      std::string extension;
      try {
        extension = crypto::verifyHeader(head, crypto::deriveFileKeys(crypto::kTransferPassword));
      } catch (const crypto::CipherError& e) {
        throw AdminError("the stored document " + name + " cannot be decrypted: " + e.what());
      }
      const std::string leaf(lastSegment(name));
      target = out / (leaf.substr(0, leaf.find('.')) + (extension.empty() ? "" : "." + extension));
    }
    try {
      crypto::FileOptions options;
      options.replace = replace;
      return crypto::decryptFile(store.bodyPath(opened->info.body), target, crypto::kTransferPassword,
                                 options)
          .path;
    } catch (const crypto::CipherError& e) {
      if (e.code() == std::errc::file_exists)
        throw AdminError(target.string() + " exists (--force replaces it)");
      if (e.fault() == crypto::CipherFault::kFileAccess && !fs::exists(store.bodyPath(opened->info.body)))
        continue;
      throw AdminError("cannot decrypt " + name + " to " + target.string() + ": " + e.what());
    }
  }
  throw AdminError("the document " + name + " kept changing while it was read; try again");
}

}  // namespace verolin::server
