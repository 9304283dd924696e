// The platform's HTTP request object on libcurl: one easy handle per exchange, synchronous,
// redirects followed, bodies streamed from and to files, connect and stall time-outs and a deadline.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/http.h"
#include "platform/http_wire.h"

namespace verolin::platform {

// A factory of request objects that share `options`. The caller owns the factory; each request it
// creates is owned by its caller and is independent of the others.
std::unique_ptr<HttpFactory> makeCurlHttpFactory(HttpOptions options = {});

}  // namespace verolin::platform
