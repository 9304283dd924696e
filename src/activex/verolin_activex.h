// VerolinActivex: the control as its page sees it, the dispatch interface _VerolinActivex. Every
// member is a thin wrapper over the routine of its subsystem; this folder sits above all of them.
//
//   verolin_activex.cc  creation, the properties, the hosting and transfer members
//   mark_members.cc     seals, signatures and their highlighting
//   command_members.cc  revisions, protection, red header, bars, printing, save-as, insertions
//   members.h           the helpers the member files share
#pragma once

#include <memory>

#include "automation/object.h"
#include "control/control.h"

namespace verolin::activex {

using control::Apartment;
using control::Control;

class VerolinActivex final : public automation::ObjectBase {
 public:
  // Creates the control on `apartment`'s thread, inside the container window `container`.
  static std::shared_ptr<VerolinActivex> create(Apartment& apartment, platform::WindowHandle container = 0);

  Control& control() { return *control_; }

  // Releases the control (Terminate) before the last reference goes; never throws. A page that lets
  // go of the control while one of its members runs (from a message pump inside it) is served as a
  // caller holding a reference would be: Terminate runs when the outermost member returns.
  void release() noexcept;

  // Runs a member; once the control is released, every member fails with "disconnected".
  automation::Variant invoke(std::string_view member, automation::InvokeKind kind,
                             std::span<automation::Variant> args,
                             std::span<automation::NamedArg> named) override;

  explicit VerolinActivex(Apartment& apartment, platform::WindowHandle container);

 private:
  void declareProperties();
  void declareHostingMembers();
  void declareTransferMembers();
  void declareMarkMembers();
  void declareCommandMembers();

  std::unique_ptr<Control> control_;
  int callDepth_ = 0;
  bool releasePending_ = false;
};

// Number of members of _VerolinActivex (a property's get and let count as two).
inline constexpr int kInterfaceMemberCount = 47;

}  // namespace verolin::activex
