#include "crypto/container_names.h"

#include "crypto/crypto.h"

namespace verolin::crypto {
namespace {

std::string_view stem(std::string_view fileName) {
  return fileName.substr(0, fileName.find('.'));
}

}  // namespace

std::string sourceExtension(std::string_view fileName) {
  const std::size_t dot = fileName.find('.');
  return dot == std::string_view::npos ? std::string() : std::string(fileName.substr(dot + 1));
}

std::string containerName(std::string_view fileName) {
  return std::string(stem(fileName)) + "." + std::string(kContainerExtension);
}

std::string plainName(std::string_view containerFileName, std::string_view extension) {
  std::string name(stem(containerFileName));
  if (!extension.empty()) name.append(".").append(extension);
  return name;
}

}  // namespace verolin::crypto
