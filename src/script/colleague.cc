#include "script/colleague.h"

#include "activex/verolin_activex.h"
#include "script/http_trace.h"

namespace verolin::script {

Colleague::Colleague(const std::filesystem::path& root, platform::Host& shared, Stage& stage,
                     platform::HttpFactory* http, const std::function<void(platform::Platform&)>& installWord)
    : standIn_(root), host_(shared, stage, kColleagueName) {
  if (http) http_ = traceHttp(*http, host_);
  services_ = standIn_.platform();
  services_.host = &host_;
  services_.http = http_.get();
  if (installWord) installWord(services_);
  apartment_ = std::make_unique<control::Apartment>(services_);
  activex_ = activex::VerolinActivex::create(*apartment_);
}

Colleague::~Colleague() {
  // The control goes before the apartment it lives in.
  activex_.reset();
  apartment_.reset();
}

automation::ObjectRef Colleague::control() const {
  return activex_;
}

void Colleague::release() noexcept {
  activex_->release();
}

}  // namespace verolin::script
