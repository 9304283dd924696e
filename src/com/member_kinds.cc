#include "com/member_kinds.h"

#include <atomic>
#include <string>

#include "com/variant.h"

namespace verolin::com {
namespace {

class MemberKinds final : public IMemberKinds {
 public:
  MemberKinds(IUnknown* owner, automation::ObjectRef object) : owner_(owner), object_(std::move(object)) {
    owner_->AddRef();
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == kMemberKindsIid) {
      *out = static_cast<IMemberKinds*>(this);
      AddRef();
      return S_OK;
    }
    // Every other interface, IUnknown among them, is the owner's: one identity.
    return owner_->QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE MemberKindOf(LPCOLESTR name, int* kind) override {
    if (!kind) return E_POINTER;
    try {
      *kind = static_cast<int>(object_->memberKind(fromWide(name ? name : L"")));
    } catch (...) {
      *kind = static_cast<int>(automation::MemberKind::Unknown);
    }
    return S_OK;
  }

 private:
  ~MemberKinds() { owner_->Release(); }

  std::atomic<ULONG> references_{0};
  IUnknown* owner_;
  automation::ObjectRef object_;
};

}  // namespace

IMemberKinds* newMemberKinds(IUnknown* owner, const automation::ObjectRef& object) {
  return new MemberKinds(owner, object);
}

automation::MemberKind memberKindOf(IDispatch* dispatch, std::string_view member) {
  IMemberKinds* kinds = nullptr;
  if (!dispatch || FAILED(dispatch->QueryInterface(kMemberKindsIid, reinterpret_cast<void**>(&kinds))) ||
      !kinds)
    return automation::MemberKind::Unknown;
  int kind = static_cast<int>(automation::MemberKind::Unknown);
  const std::wstring name = toWide(member);
  kinds->MemberKindOf(name.c_str(), &kind);
  kinds->Release();
  if (kind < 0 || kind > static_cast<int>(automation::MemberKind::Unknown))
    return automation::MemberKind::Unknown;
  return static_cast<automation::MemberKind>(kind);
}

}  // namespace verolin::com
