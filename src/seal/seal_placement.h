// Electronic seal placement: the owner list from the server fills the seal window; the chosen owner's
// picture comes down encrypted with the owner's seal password and goes into the document as a mark.
#pragma once

#include <cstdint>
#include <string>

#include "automation/variant.h"
#include "control/control.h"

namespace verolin::seal {

// The public method: the document guard, then the seal window. Returns when the window has closed;
// the result is always Empty.
automation::Variant ElectronSeal(control::Control& c, const std::string& opType,
                                 const automation::Variant& opGetpicdata);

// Fetches the owner list (RequestType `opType`), fills the seal window, keeps `opGetpicdata` as the
// RequestType of the picture request and shows the window modally. Always 0.
std::int16_t ShowSealChooser(control::Control& c, const std::string& opType,
                             const automation::Variant& opGetpicdata);

// Downloads `owner`'s seal picture `file` into the working folder, decrypts it with `password` beside
// it and deletes the download. The decrypted picture's path, or "" when anything failed; a request
// error other than a plain failure is shown. A name that could lead out of the working folder or onto
// the document being edited is refused before anything is sent or written.
std::string FetchSealPicture(control::Control& c, const std::string& owner, const std::string& file,
                             const std::string& password);

// Places the picture at `path` as a floating mark in front of the text, in print layout; the mark's
// identifier, or "" (after a message) when the file is gone or the word processor is not started.
// Errors of the word processor reach the caller.
std::string InsertSealPicture(control::Control& c, const std::string& path);

}  // namespace verolin::seal
