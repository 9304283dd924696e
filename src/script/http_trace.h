// The HTTP exchanges of a run in its transcript: a request factory that reports each exchange.
#pragma once

#include <memory>

#include "platform/host.h"
#include "platform/http.h"

namespace verolin::script {

// A request factory whose requests report each exchange to `host` as one "http" trace when it has
// ended: method, URL and bytes sent, then the status and bytes received, or the failure.
std::unique_ptr<platform::HttpFactory> traceHttp(std::unique_ptr<platform::HttpFactory> inner,
                                                 platform::Host& host);
// The same over a factory that others use too; `shared` must outlive the result.
std::unique_ptr<platform::HttpFactory> traceHttp(platform::HttpFactory& shared, platform::Host& host);

}  // namespace verolin::script
