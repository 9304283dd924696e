// The application instance: its documents in window order, the active one, the main window on the
// platform's window system, the user's identity, the command bars and the print preview state.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "automation/dispatch.h"
#include "platform/platform.h"
#include "wordproc/objects/command_bar_set.h"
#include "wordproc/objects/doc_session.h"
#include "wordproc/wordproc.h"

namespace verolin::wordproc {

// Window states (wdWindowState).
namespace windowstate {
inline constexpr int kNormal = 0;
inline constexpr int kMaximize = 1;
inline constexpr int kMinimize = 2;
}  // namespace windowstate

class WordApp {
 public:
  WordApp(const platform::Platform& platform, WordOptions options);
  ~WordApp();
  WordApp(const WordApp&) = delete;
  WordApp& operator=(const WordApp&) = delete;

  platform::Platform platform;  // the services, which outlive the instance
  WordOptions options;
  std::string userName;
  std::string userInitials;
  std::string userAddress;
  std::string caption = "Microsoft Word";
  CommandBarSet bars;
  // The automation object that stands for this instance (made again when every client let it go).
  std::weak_ptr<automation::Dispatch> applicationObject;
  // Called once the instance has quit (the process ends).
  std::function<void()> onQuit;
  // Settings a caller may set and read back; this word processor only keeps them.
  bool screenUpdating = true;
  int displayAlerts = -1;

  bool alive() const { return alive_; }
  // 462 once the application has quit.
  void checkAlive() const;

  const std::vector<std::shared_ptr<DocSession>>& documents() const { return documents_; }
  // The active document; 4248 when none is open.
  DocSession& active() const;
  std::shared_ptr<DocSession> activeShared() const { return active_; }
  // 1-based position of the document's window; 0 when it is not open.
  int windowIndex(const DocSession& doc) const;

  DocSession& addDocument();
  // Opens a file, or returns the document already open from it.
  DocSession& openDocument(const std::string& path, bool readOnly);
  void activate(DocSession& doc);
  // Closes one document; `saveChanges` is a saveoption value. False when the user cancelled.
  bool closeDocument(DocSession& doc, int saveChanges);
  // Closes every document and ends the instance.
  void quit(int saveChanges);

  // Main window.
  platform::WindowHandle window() const { return window_; }
  bool visible() const;
  void setVisible(bool visible);
  int windowState() const;
  void setWindowState(int state);
  // Geometry in points.
  double left() const;
  double top() const;
  double width() const;
  double height() const;
  void move(double left, double top);
  void resize(double width, double height);
  bool printPreview() const { return printPreview_; }
  void setPrintPreview(bool on);
  // Renames the main window after the active window's caption.
  void updateTitle();

  // A dialog of this application, shown through the host.
  int showDialog(platform::DialogRequest& request);
  // One line of the host's transcript.
  void trace(std::string_view line);

 private:
  platform::WindowInfo windowInfo() const;
  void setRect(const platform::Rect& r);
  bool askToSave(DocSession& doc);

  bool alive_ = true;
  bool printPreview_ = false;
  int viewBeforePreview_ = viewtype::kPrint;
  std::vector<std::shared_ptr<DocSession>> documents_;
  std::shared_ptr<DocSession> active_;
  int nextNewNumber_ = 1;
  int nextWindowNumber_ = 1;
  platform::WindowHandle window_ = 0;
  int windowState_ = windowstate::kNormal;
  platform::Rect normalRect_;
};

}  // namespace verolin::wordproc
