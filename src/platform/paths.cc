#include "platform/files.h"

namespace verolin::platform {
namespace {

bool isSeparator(char c) {
  return c == '\\' || c == '/';
}

}  // namespace

std::string joinPath(std::string_view folder, std::string_view name) {
  while (!name.empty() && isSeparator(name.front())) name.remove_prefix(1);
  if (folder.empty()) return std::string(name);
  std::string out(folder);
  if (!isSeparator(out.back())) out += '\\';
  out += name;
  return out;
}

std::string folderOf(std::string_view path) {
  const auto at = path.find_last_of("\\/");
  return at == std::string_view::npos ? std::string() : std::string(path.substr(0, at + 1));
}

std::string fileNameOf(std::string_view path) {
  const auto at = path.find_last_of("\\/");
  return std::string(at == std::string_view::npos ? path : path.substr(at + 1));
}

}  // namespace verolin::platform
