// HTTPS: the certificate and key files the server loads through cpp-httplib's SSLServer. The bytes
// of a TLS connection go through tlsTransport (connections.h).
#pragma once

#include <filesystem>

namespace verolin::server {

// A certificate chain and its private key, both PEM files; TLS is off while both are empty.
struct TlsFiles {
  std::filesystem::path certificate;
  std::filesystem::path key;
  bool on() const { return !certificate.empty() || !key.empty(); }
};

// Throws std::invalid_argument when only one of the two files is named.
void checkTls(const TlsFiles& tls);

}  // namespace verolin::server
