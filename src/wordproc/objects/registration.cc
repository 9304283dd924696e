// Registration with the object factory: each creation starts a new instance, which runs (keeping its
// window and its open files) until it quits, whether or not a client still holds it.
#include <memory>
#include <vector>

#include "wordproc/objects/objects.h"
#include "wordproc/wordproc.h"

namespace verolin::wordproc {

namespace {

constexpr const char* kProgId = "Word.Application";

// The running instances of one registration, as the processes of a machine.
struct RunningInstances {
  std::vector<std::shared_ptr<WordApp>> apps;
};

automation::ObjectRef start(const platform::Platform& platform, const WordOptions& options,
                            const std::shared_ptr<RunningInstances>& running) {
  auto app = std::make_shared<WordApp>(platform, options);
  std::weak_ptr<RunningInstances> weak = running;
  WordApp* raw = app.get();
  if (running) {
    running->apps.push_back(app);
    app->onQuit = [weak, raw] {
      if (auto r = weak.lock())
        std::erase_if(r->apps, [raw](const std::shared_ptr<WordApp>& a) { return a.get() == raw; });
    };
  }
  platform.host->trace("word", "started version " + options.version);
  return applicationObject(app);
}

}  // namespace

automation::ObjectRef createWordApplication(const platform::Platform& platform, const WordOptions& options) {
  return start(platform, options, nullptr);
}

automation::ObjectRef createWordApplication(const platform::Platform& platform, const WordOptions& options,
                                            std::function<void()> onQuit) {
  auto app = std::make_shared<WordApp>(platform, options);
  app->onQuit = std::move(onQuit);
  return applicationObject(app);
}

void registerWordApplication(const platform::Platform& platform, WordOptions options) {
  if (!options.installed) {
    platform.objects->unregisterClass(kProgId);
    return;
  }
  auto running = std::make_shared<RunningInstances>();
  platform.objects->registerClass(kProgId,
                                  [platform, options, running] { return start(platform, options, running); });
}

}  // namespace verolin::wordproc
