#include "server/names.h"

#include "text/utf8.h"

namespace verolin::server {

std::string nameProblem(std::string_view name) {
  if (name.empty()) return "the name is empty";
  if (name.size() > kMaxNameBytes)
    return "the name is longer than " + std::to_string(kMaxNameBytes) + " bytes";
  if (!text::isValid(name)) return "the name is not valid text";
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return "the name holds control characters";
    if (c == '\\') return "backslashes are not allowed in names";
    if (c == ':') return "drive letters and \":\" are not allowed in names";
  }
  if (name.front() == '/') return "absolute paths are not allowed";
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find('/', start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view segment = name.substr(start, end - start);
    if (segment.empty()) return "the name has an empty path segment";
    if (segment == "." || segment == "..") return "\".\" and \"..\" are not allowed in names";
    if (segment.back() == '.' || segment.back() == ' ')
      return "a path segment may not end with \".\" or a blank";
    start = end + 1;
  }
  return {};
}

std::string_view lastSegment(std::string_view name) {
  const std::size_t slash = name.rfind('/');
  return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

std::string urlValueProblem(std::string_view text) {
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return "control characters are not allowed";
    if (c == '#' || c == '%' || c == '&') {
      return std::string("\"") + c + "\" is not allowed: the control puts the text into URLs unescaped";
    }
  }
  return {};
}

}  // namespace verolin::server
