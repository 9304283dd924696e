// VerolinSystem.ocx: the control as an in-process COM server.
//
//   module.cc          the Dll* entry points, the class factory, registration
//   control_object.cc  one VerolinActivex served through its dispatch interface, and the thread's
//                      apartment that all controls of a thread share
//   type_library.cc    the embedded type library and the member table read from it
//   services.cc        the platform services a thread's controls stand on
//   ole_object.cc      what a container needs to site, in-place activate, draw and persist the control
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <memory>

#include "com/dispatch_server.h"
#include "platform/platform.h"

namespace verolin::com::ocx {

// The module's instance handle and its file's path (UTF-8).
HINSTANCE moduleHandle();
std::string modulePath();

// The identifiers the control registers (from control/registration.h).
const CLSID& classId();
const IID& interfaceId();
const IID& eventInterfaceId();
const GUID& typeLibraryId();

// The type information of _VerolinActivex from the embedded type library and the members it declares;
// loaded on first use and kept until the module may unload. Throws AutomationError 51 when the library
// cannot be read.
ITypeInfo* controlTypeInfo();
std::shared_ptr<const MemberTable> controlMembers();
// Releases what controlTypeInfo() loaded (when the module is about to unload).
void releaseTypeLibrary();

// A new control on the calling thread, served as IDispatch (one reference, the caller's). Throws
// AutomationError when the control cannot be created.
IDispatch* createControl();

// The services of one thread's controls: the thread's host, windows, files, registry and the rest.
class ThreadServices {
 public:
  ThreadServices() = default;
  ThreadServices(const ThreadServices&) = delete;
  ThreadServices& operator=(const ThreadServices&) = delete;
  virtual ~ThreadServices() = default;
  virtual platform::Platform platform() = 0;
  // The window the thread's message boxes, input boxes and forms belong to (an in-place active
  // control's window); null leaves them without owner.
  virtual void setBoxOwner(HWND owner) = 0;
};
std::unique_ptr<ThreadServices> makeThreadServices();
// The services of the calling thread's controls; only while one of them lives.
ThreadServices& threadServices();

// The registry that registration writes (HKEY_CLASSES_ROOT keys).
platform::Registry& registrationRegistry();

}  // namespace verolin::com::ocx
