// Server transfer: the document upload and download, the client file upload and the network
// picture. The control's public members call the first routine of each group; the others are the
// steps behind them, usable on their own.
//
//   protocol.h     the request catalogue (URL forming) and LastPathSegment
//   exchange.h     one exchange, PostFile, GetServerText, the list GETs
//   list_answer.h  the server's list answers
//   local_names.h  TimeStampName, SwapExtension, checks on names from outside
#pragma once

#include <string>

#include "automation/variant.h"
#include "control/control.h"

namespace verolin::transfer {

// Document upload. `showMessbox` false leaves out the final message and status text.
void UploadFileToServer(control::Control& c, const std::string& fileDir, const std::string& mode,
                        const std::string& form, const std::string& serverPath, bool showMessbox);
// "1" on success, "" on failure. `quit` closes the word processor and removes the local files after a
// successful post.
std::string UploadDocument(control::Control& c, const std::string& fileDir, const std::string& mode,
                           const std::string& form, const std::string& serverPath, bool quit);

// Document download; opens the document in the word processor. The result is always Empty.
automation::Variant DownFileFromServer(control::Control& c, const std::string& mode, const std::string& form,
                                       const std::string& serverPath, automation::Variant& userName,
                                       automation::Variant& userInitials, automation::Variant& userDemo);
// The local path of the decrypted document, or "".
std::string DownloadDocument(control::Control& c, const std::string& mode, const std::string& form,
                             const std::string& serverPath);
// Request mode: GET `url` into the working folder as `name`, quit the word processor, decrypt.
// `versionTag` receives the server's tag of the version fetched ("" when it sent none).
std::string FetchByRequest(control::Control& c, const std::string& url, const std::string& name,
                           std::string& versionTag);
// Plain-URL mode: GET `url` into a time-stamped container and decrypt it.
std::string FetchByUrl(control::Control& c, const std::string& url, std::string& versionTag);
// The signature lists of document `name`, then its seal lists.
void FetchSignatureLists(control::Control& c, const std::string& name);
void FetchSealLists(control::Control& c, const std::string& name);

// Client file upload: `serverPath` when the post succeeded, else "".
automation::Variant UploadClientFileToServer(control::Control& c, const std::string& clientPath,
                                             const std::string& serverPath);
std::string PostClientFile(control::Control& c, const std::string& clientPath, const std::string& serverPath);

// Network picture: fetched into the working folder, inserted at the selection, deleted.
bool GetNetPicture(control::Control& c, const std::string& url);
// The local path of the fetched picture, or "".
std::string FetchNetPicture(control::Control& c, const std::string& url);

// Inserts the picture file `pictureName` as an inline shape at the word processor's selection.
void InsertPicture(control::Control& c, const std::string& pictureName);

}  // namespace verolin::transfer
