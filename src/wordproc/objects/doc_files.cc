// The file side of an open document: reading it, writing it, and holding it open as the word
// processor does (other programs cannot write or delete a document while it is open).
#include <istream>
#include <memory>

#include "platform/files.h"
#include "wordproc/formats/document_files.h"
#include "wordproc/formats/rtf_writer.h"
#include "wordproc/objects/doc_session.h"
#include "wordproc/objects/word_app.h"
#include "wordproc/objects/word_errors.h"

namespace verolin::wordproc {

namespace {

namespace aerr = automation::err;

// The word processor's error for a file-layer failure on `path`.
automation::AutomationError fileError(const automation::AutomationError& e, const std::string& path) {
  switch (e.number()) {
    case aerr::kFileNotFound:
      return fileNotFound(path);
    case aerr::kPermissionDenied:
      return fileInUse(path);
    case aerr::kBadFileName:
    case aerr::kPathNotFound:
    case aerr::kPathFileAccess:
    case aerr::kDeviceUnavailable:
      return badFileName(path);
    default:
      return e;
  }
}

bool knownFormat(int format) {
  return format == fileformat::kDocument || format == fileformat::kRtf || format == fileformat::kText ||
         format == fileformat::kUnicodeText || format == fileformat::kHtml ||
         format == fileformat::kFilteredHtml;
}

// The rest of a file that is no RTF; read whole, as these formats are small.
automation::Bytes readAll(std::istream& in, const std::string& path) {
  automation::Bytes bytes;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes.insert(bytes.end(), buffer, buffer + in.gcount());
  }
  if (in.bad()) throw automation::errorOf(aerr::kPathFileAccess, path);
  return bytes;
}

// Writes the document as RTF into a new file beside `path`, then puts it in place of the old one, so
// that a save that fails (a full disk) leaves the file as it was.
void writeStreamed(platform::FileSystem& fs, const std::string& path, const DocumentModel& model) {
  const std::string scratch =
      platform::joinPath(platform::folderOf(path), "~" + platform::fileNameOf(path) + ".tmp");
  try {
    auto out = fs.openWrite(scratch);
    writeRtf(model, *out);
    out->flush();
    if (!*out) throw automation::errorOf(aerr::kDiskFull, path);
  } catch (...) {
    try {
      if (fs.fileExists(scratch)) fs.remove(scratch);
    } catch (const automation::AutomationError&) {
      // Only a stray scratch file is left; the error that matters is the one on its way.
    }
    throw;
  }
  try {
    // In one step: until the new file is in place, the old one stays whole under its name.
    fs.replace(scratch, path);
  } catch (const automation::AutomationError&) {
    // The old file stays as it was; the new one goes.
    try {
      fs.remove(scratch);
    } catch (const automation::AutomationError&) {
    }
    throw;
  }
}

}  // namespace

void DocSession::load(const std::string& path, bool asReadOnly) {
  platform::FileSystem& fs = *app.platform.files;
  std::unique_ptr<std::istream> in;
  try {
    fs.nativePath(path);
    if (!fs.fileExists(path)) throw fileNotFound(path);
    in = fs.openRead(path);
  } catch (const automation::AutomationError& e) {
    if (e.number() >= 4000) throw;
    throw fileError(e, path);
  }
  // A web page's pictures are files beside it.
  const std::string folder = platform::folderOf(path);
  auto pictures = [&fs, &folder](const std::string& relative) -> std::optional<automation::Bytes> {
    std::string local = relative;
    for (char& c : local) {
      if (c == '/') c = '\\';
    }
    if (local.find(':') != std::string::npos || local.rfind("\\", 0) == 0) return std::nullopt;
    try {
      return fs.read(platform::joinPath(folder, local));
    } catch (const automation::AutomationError&) {
      return std::nullopt;
    }
  };
  DecodedFile decoded;
  try {
    // RTF is read from the file as it goes; the other formats are small enough to read whole.
    if (auto rtf = decodeRtf(*in)) {
      decoded = std::move(*rtf);
    } else {
      automation::Bytes bytes;
      try {
        bytes = readAll(*in, path);
      } catch (const automation::AutomationError& e) {
        throw fileError(e, path);
      }
      in.reset();
      decoded = decodeDocument(bytes, pictures);
    }
  } catch (const FileFormatError& e) {
    throw corruptFile(path, e.what());
  }
  in.reset();
  adoptModel(std::move(decoded.model));
  fullName = path;
  name = platform::fileNameOf(path);
  fileFormat = decoded.format;
  readOnly = asReadOnly;
  dirty = false;
  if (!readOnly) {
    fs.lock(path, platform::LockMode::DenyWrite);
    lockedPath_ = path;
  }
}

void DocSession::saveAs(const std::string& path, int format) {
  if (!knownFormat(format)) throw valueOutOfRange();
  platform::FileSystem& fs = *app.platform.files;
  try {
    fs.nativePath(path);
  } catch (const automation::AutomationError&) {
    throw badFileName(path);
  }
  // RTF goes to the file as it is written; the other formats are made whole first.
  const bool streamed = savedAsRtf(format);
  EncodedFile encoded;
  if (!streamed) encoded = encodeDocument(model, format, platform::fileNameOf(path));
  const bool ownFile = !lockedPath_.empty() && fs.nativePath(lockedPath_) == fs.nativePath(path);
  if (!ownFile && fs.isLocked(path)) throw fileInUse(path);
  if (ownFile) fs.unlock(lockedPath_);
  try {
    const std::string folder = platform::folderOf(path);
    for (const auto& [relative, bytes] : encoded.companions) {
      const std::string target = platform::joinPath(folder, relative);
      const std::string subFolder = platform::folderOf(target);
      if (!fs.dirExists(subFolder)) fs.createDir(subFolder);
      fs.write(target, bytes);
    }
    if (streamed) {
      writeStreamed(fs, path, model);
    } else {
      fs.write(path, encoded.bytes);
    }
  } catch (const automation::AutomationError& e) {
    if (ownFile) fs.lock(lockedPath_, platform::LockMode::DenyWrite);
    throw fileError(e, path);
  }
  if (!ownFile) releaseFile();
  fs.lock(path, platform::LockMode::DenyWrite);
  lockedPath_ = path;
  fullName = path;
  name = platform::fileNameOf(path);
  fileFormat = format;
  readOnly = false;
  dirty = false;
  app.trace("saved " + path);
  app.updateTitle();
}

void DocSession::save() {
  if (!savedToDisk()) {
    // A document never saved asks for a name first, as the save-as dialog does.
    platform::DialogRequest request;
    request.id = 84;
    request.caption = "另存为";
    request.fields["Name"] = automation::Variant(name + ".doc");
    request.fields["Format"] = automation::Variant(std::int32_t{fileformat::kDocument});
    if (app.showDialog(request) != -1) throw commandFailed();
    const std::string chosen = request.fields["Name"].toString();
    if (chosen.empty()) throw commandFailed();
    saveAs(chosen, request.fields["Format"].toInt32());
    return;
  }
  if (readOnly) throw notAvailable("this document is read-only");
  if (!dirty) return;
  saveAs(fullName, fileFormat);
}

void DocSession::releaseFile() {
  if (lockedPath_.empty()) return;
  try {
    app.platform.files->unlock(lockedPath_);
  } catch (const automation::AutomationError&) {
    // The file layer may already have forgotten it; nothing is held any more either way.
  }
  lockedPath_.clear();
}

}  // namespace verolin::wordproc
