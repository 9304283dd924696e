// Versions of a stored document on the wire: the tag that names one stored version (sent as ETag,
// compared with If-Match), and the names of the copies kept beside a document so that no upload is
// ever lost: a conflict copy (an upload based on a version that is no longer current) and a
// previous version (what a resolve replaced).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "server/store.h"

namespace verolin::server {

// The version tag of a stored document, quoted as an entity tag. Every write gives a new one, also
// after the document was removed and stored again.
std::string versionTag(const DocumentInfo& document);

// True when an If-Match value names `currentTag`: "*", or a comma-separated list of entity tags one
// of which is equal to it (weak tags never match).
bool ifMatchNames(std::string_view ifMatch, std::string_view currentTag);

// The name of a copy of `document`: the document's name with "-conflict-" (or "-previous-"), the
// user's name when there is one, and the local time inserted before the first "." of its last
// segment, so that the control opens a copy the way it opens the document. Characters the control
// could not carry in a URL become "_".
std::string conflictCopyName(const std::string& document, const std::string& user, std::int64_t time);
std::string previousVersionName(const std::string& document, std::int64_t time);

// The same name with "-2", "-3", ... before the first "." of its last segment.
std::string numberedName(const std::string& name, int number);

// A header value for any UTF-8 text: bytes outside printable ASCII, and "%", percent-encoded.
std::string headerText(std::string_view text);

}  // namespace verolin::server
