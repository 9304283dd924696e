// Names that requests and commands give for stored documents, client files and seal pictures. The
// store never uses them as paths (bodies get names of their own), yet a name that looks like a way out
// of the data folder is refused outright, so that nothing downstream can be misled by one.
#pragma once

#include <string>
#include <string_view>

namespace verolin::server {

// Empty when `name` is acceptable: a relative path of "/"-separated segments, none of them empty,
// "." or "..", none ending in "." or a blank; no backslash, no ":" (drive letters, streams), no control
// characters, valid UTF-8, at most kMaxNameBytes bytes. Otherwise the reason, for the error answer.
std::string nameProblem(std::string_view name);

inline constexpr std::size_t kMaxNameBytes = 1024;

// The text after the last "/" of `name`; the whole name when it holds none.
std::string_view lastSegment(std::string_view name);

// Empty when the control can carry `text` in a URL as it does (unescaped): no "#", "%", "&" and no
// control characters. Otherwise the reason.
std::string urlValueProblem(std::string_view text);

}  // namespace verolin::server
