#include "wordproc/objects/word_app.h"

#include <algorithm>
#include <cmath>

#include "platform/standin.h"
#include "text/utf8.h"
#include "wordproc/objects/word_errors.h"

namespace verolin::wordproc {

namespace {

// Each instance runs in a process of its own; its windows belong to that process's thread.
int nextThread() {
  static int thread = 0x2000;
  return thread += 4;
}

int toPixels(double points) {
  return static_cast<int>(std::lround(points * 4.0 / 3.0));
}
double toPoints(int pixels) {
  return pixels * 0.75;
}

constexpr platform::Rect kStartRect{22, 22, 1024, 740};
constexpr platform::Rect kScreen{0, 0, 1280, 1024};

// Answers of the save prompt (a Yes/No/Cancel message box with the exclamation icon).
constexpr int kYesNoCancel = 3;

}  // namespace

WordApp::WordApp(const platform::Platform& p, WordOptions o)
    : platform(p), options(std::move(o)), userName(options.userName), userInitials(options.userInitials) {
  platform::WindowInfo info;
  info.title = caption;
  info.rect = kStartRect;
  info.visible = false;
  info.thread = nextThread();
  window_ = platform.windows->create(info);
  normalRect_ = kStartRect;
}

WordApp::~WordApp() {
  // The process ends: its files are no longer held and its window goes with it.
  for (auto& d : documents_) d->releaseFile();
  if (window_ && !platform.windows->destroy(window_)) {
    if (auto* standIn = dynamic_cast<platform::StandInWindows*>(platform.windows)) standIn->forget(window_);
  }
}

void WordApp::checkAlive() const {
  if (!alive_) throw serverGone();
}

DocSession& WordApp::active() const {
  checkAlive();
  if (!active_) throw noDocumentOpen();
  return *active_;
}

int WordApp::windowIndex(const DocSession& doc) const {
  for (std::size_t i = 0; i < documents_.size(); ++i) {
    if (documents_[i].get() == &doc) return static_cast<int>(i + 1);
  }
  return 0;
}

DocSession& WordApp::addDocument() {
  auto doc = std::make_shared<DocSession>(*this, "文档" + std::to_string(nextNewNumber_++));
  doc->windowNumber = nextWindowNumber_++;
  documents_.push_back(doc);
  activate(*doc);
  trace("new document " + doc->name);
  return *doc;
}

DocSession& WordApp::openDocument(const std::string& path, bool readOnly) {
  for (auto& d : documents_) {
    if (d->savedToDisk() && text::equalsIgnoreCase(d->fullName, path)) {
      activate(*d);
      return *d;
    }
  }
  auto doc = std::make_shared<DocSession>(*this, platform::fileNameOf(path));
  doc->load(path, readOnly);  // throws before the document is listed, so nothing is left half open
  doc->windowNumber = nextWindowNumber_++;
  documents_.push_back(doc);
  activate(*doc);
  trace("opened " + path);
  return *doc;
}

void WordApp::activate(DocSession& doc) {
  for (auto& d : documents_) {
    if (d.get() == &doc) active_ = d;
  }
  updateTitle();
}

bool WordApp::askToSave(DocSession& doc) {
  const int answer = platform.host->messageBox("是否保存对“" + doc.name + "”的更改？",
                                               kYesNoCancel | platform::mb::kExclamation, caption);
  if (answer == platform::mb::kAnswerCancel) return false;
  if (answer == platform::mb::kAnswerYes || answer == platform::mb::kAnswerOk) doc.save();
  return true;
}

bool WordApp::closeDocument(DocSession& doc, int saveChanges) {
  if (doc.dirty) {
    if (saveChanges == saveoption::kSave) doc.save();
    if (saveChanges == saveoption::kPrompt && !askToSave(doc)) return false;
  }
  doc.releaseFile();
  doc.closed = true;
  // The list or active_ may hold the last reference: keep the document alive until the end.
  std::shared_ptr<DocSession> keep = active_.get() == &doc ? active_ : nullptr;
  for (const auto& d : documents_) {
    if (d.get() == &doc) keep = d;
  }
  std::erase_if(documents_, [&](const std::shared_ptr<DocSession>& d) { return d.get() == &doc; });
  if (active_.get() == &doc) active_ = documents_.empty() ? nullptr : documents_.back();
  if (active_ == nullptr || documents_.empty()) printPreview_ = false;
  trace("closed " + doc.name);
  updateTitle();
  return true;
}

void WordApp::quit(int saveChanges) {
  while (!documents_.empty()) {
    if (!closeDocument(*documents_.back(), saveChanges)) throw commandFailed();
  }
  alive_ = false;
  trace("quit");
  if (window_ && !platform.windows->destroy(window_)) {
    if (auto* standIn = dynamic_cast<platform::StandInWindows*>(platform.windows)) {
      standIn->forget(window_);
    } else {
      platform.windows->show(window_, false);
    }
  }
  window_ = 0;
  if (onQuit) onQuit();
}

platform::WindowInfo WordApp::windowInfo() const {
  auto info = platform.windows->info(window_);
  return info ? *info : platform::WindowInfo{};
}

bool WordApp::visible() const {
  return windowInfo().visible;
}

void WordApp::setVisible(bool visible) {
  platform.windows->show(window_, visible);
  trace(visible ? "visible" : "hidden");
}

int WordApp::windowState() const {
  // A shown window may have been maximised, minimised or restored by the user since; a hidden one
  // keeps the state it will be shown in.
  const platform::WindowInfo info = windowInfo();
  if (!info.visible) return windowState_;
  if (info.maximized) return windowstate::kMaximize;
  if (info.minimized) return windowstate::kMinimize;
  return windowstate::kNormal;
}

void WordApp::setWindowState(int state) {
  if (state != windowstate::kNormal && state != windowstate::kMaximize && state != windowstate::kMinimize) {
    throw valueOutOfRange();
  }
  const platform::WindowInfo info = windowInfo();
  if (windowState() == windowstate::kNormal) normalRect_ = info.rect;
  if (state == windowstate::kMaximize) {
    // Maximised, a window fills its parent's client area (the screen for a top-level window).
    platform::Rect r = kScreen;
    if (info.parent) {
      if (auto parent = platform.windows->info(info.parent))
        r = {0, 0, parent->rect.width, parent->rect.height};
    }
    platform.windows->setWindowPos(window_, std::nullopt, r);
  } else if (state == windowstate::kNormal) {
    platform.windows->setWindowPos(window_, std::nullopt, normalRect_);
  }
  platform.windows->setState(window_, state == windowstate::kMaximize, state == windowstate::kMinimize);
  windowState_ = state;
}

double WordApp::left() const {
  return toPoints(windowInfo().rect.left);
}
double WordApp::top() const {
  return toPoints(windowInfo().rect.top);
}
double WordApp::width() const {
  return toPoints(windowInfo().rect.width);
}
double WordApp::height() const {
  return toPoints(windowInfo().rect.height);
}

void WordApp::setRect(const platform::Rect& r) {
  platform.windows->setWindowPos(window_, std::nullopt, r);
  normalRect_ = r;
}

void WordApp::move(double left, double top) {
  if (windowState() != windowstate::kNormal)
    throw notAvailable("the application window is maximized or minimized");
  platform::Rect r = windowInfo().rect;
  r.left = toPixels(left);
  r.top = toPixels(top);
  setRect(r);
}

void WordApp::resize(double width, double height) {
  if (windowState() != windowstate::kNormal)
    throw notAvailable("the application window is maximized or minimized");
  if (width < 0 || height < 0) throw valueOutOfRange();
  platform::Rect r = windowInfo().rect;
  r.width = toPixels(width);
  r.height = toPixels(height);
  setRect(r);
}

void WordApp::setPrintPreview(bool on) {
  DocSession& doc = active();
  if (on == printPreview_) return;
  printPreview_ = on;
  if (on) {
    viewBeforePreview_ = doc.viewType;
    doc.viewType = viewtype::kPrintPreview;
  } else {
    doc.viewType = viewBeforePreview_;
  }
  if (auto bar = bars.find("Print Preview")) bar->visible = on;
  trace(on ? "print preview" : "print preview closed");
}

void WordApp::updateTitle() {
  if (!window_) return;
  const std::string title = active_ ? active_->windowCaption() + " - " + caption : caption;
  platform.windows->setTitle(window_, title);
}

int WordApp::showDialog(platform::DialogRequest& request) {
  return platform.host->showDialog(request);
}

void WordApp::trace(std::string_view line) {
  platform.host->trace("word", line);
}

}  // namespace verolin::wordproc
