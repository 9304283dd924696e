// IUnknown for the small COM objects of one interface (class factories, connection points and their
// lists): one count of references for every thread, and the object deleted with the last release.
#pragma once

#include <unknwn.h>

#include <atomic>

namespace verolin::com {

template <class Interface, const IID& kInterfaceId>
class SingleInterface : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != kInterfaceId) return E_NOINTERFACE;
    *out = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  SingleInterface() = default;
  virtual ~SingleInterface() = default;

 private:
  std::atomic<ULONG> references_{1};
};

}  // namespace verolin::com
