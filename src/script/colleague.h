// The colleague: a second person at another machine, editing beside the page's own user in the same
// run. They have a control of their own on a stand-in platform of their own (root folder, word
// processor, clipboard, registry), and share the run's host (pump, clock, the script's handlers) and
// its request factory, so their exchanges reach the same server and the same transcript.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>

#include "automation/variant.h"
#include "control/apartment.h"
#include "platform/standin.h"
#include "script/person_host.h"

namespace verolin::activex {
class VerolinActivex;
}

namespace verolin::script {

class Colleague {
 public:
  // `installWord` registers the word processor of this machine with the services it is given, which
  // then live as long as the colleague. `http` (may be null: no network) must outlive the colleague.
  Colleague(const std::filesystem::path& root, platform::Host& shared, Stage& stage,
            platform::HttpFactory* http, const std::function<void(platform::Platform&)>& installWord);
  ~Colleague();
  Colleague(const Colleague&) = delete;
  Colleague& operator=(const Colleague&) = delete;

  control::Apartment& apartment() { return *apartment_; }
  // The colleague's control, as their page sees it.
  automation::ObjectRef control() const;
  // Their page goes away: the control is released (Terminate).
  void release() noexcept;

 private:
  platform::StandInPlatform standIn_;
  PersonHost host_;
  std::unique_ptr<platform::HttpFactory> http_;
  platform::Platform services_;
  std::unique_ptr<control::Apartment> apartment_;
  std::shared_ptr<activex::VerolinActivex> activex_;
};

}  // namespace verolin::script
