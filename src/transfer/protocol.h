// The request catalogue: every URL the control sends to the server page, formed by plain
// concatenation in the order the server page expects. No value is escaped here; the request object
// makes the finished URL valid for the wire without changing its structure.
#pragma once

#include <string>
#include <string_view>

#include "control/state.h"

namespace verolin::transfer {

// Version tags, as headers beside the catalogue's requests: the server names the version of a
// document it answers, the upload names the version it is based on, and a server that kept an upload
// based on a replaced version as a copy answers 409 and names the copy (percent-encoded UTF-8).
inline constexpr const char* kVersionHeader = "ETag";
inline constexpr const char* kBasedOnHeader = "If-Match";
inline constexpr const char* kConflictCopyHeader = "X-Verolin-Conflict-Copy";
inline constexpr int kConflictStatus = 409;

// A header value as text: percent escapes decoded; the value as it came when that is not UTF-8.
std::string HeaderText(std::string_view value);

// The text after the last "/"; the whole text when it holds none; "" when it ends with "/".
std::string LastPathSegment(std::string_view path);

// True when the transfer mode reads as a number (the property accepts any text).
bool IsNumericMode(std::string_view mode);
// Takes the page's mode, server page and server path into the control-wide state, checking them in
// the order both transfers do; returns the refusal text, or "" when all are there. A mode that is no
// number is refused too (it would fail the upload's numeric test after the user edited).
// `noServerName` is the transfer's own text for a missing server path.
std::string TakeTransferInputs(control::ControlState& s, const std::string& mode, const std::string& form,
                               const std::string& serverPath, const char* noServerName);

// True when the transfer mode compares numerically equal to 1 (request mode on upload).
bool IsRequestModeNumber(std::string_view mode);

// Request 1, the document upload: the query string (from "?") with the new-mark lists, both
// separators, the mode and the path value.
std::string UploadQuery(const control::ControlState& s, std::string_view pathValue);
// The path value of request 1: the server file name in request mode, else fileDir + "/" + name.
std::string UploadPathValue(std::string_view mode, std::string_view fileDir, std::string_view name);

// Request 2, the document in request mode.
std::string DownloadUrl(const control::ControlState& s, std::string_view name);
// Requests 4 and 5, the signature and seal lists of a document.
std::string SignatureListUrl(const control::ControlState& s, std::string_view name);
std::string SealListUrl(const control::ControlState& s, std::string_view name);
// Request 6, the seal owner list, and request 7, one seal picture.
std::string SealOwnerListUrl(const control::ControlState& s, std::string_view requestType);
std::string SealPictureUrl(const control::ControlState& s, std::string_view requestType,
                           std::string_view userName, std::string_view fileName);
// Request 8, a client file: the query string (from "?").
std::string ClientUploadQuery(std::string_view clientPath, std::string_view serverPath);

}  // namespace verolin::transfer
