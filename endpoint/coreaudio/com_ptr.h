// Owning handles for the COM resources the adapter touches: a move-only interface pointer,
// a CoTaskMem string and a PROPVARIANT. Windows only.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <propidl.h>

#include <utility>

namespace havro::coreaudio {

// Holds one reference; copying is forbidden, so a reference is released exactly once.
template <class T>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ~ComPtr() { Reset(); }

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    void Reset() {
        if (p_ != nullptr) std::exchange(p_, nullptr)->Release();
    }
    // For out-parameters. Releases what was held first, so nothing leaks.
    T** Put() {
        Reset();
        return &p_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    // QueryInterface for iid, which must be U's identifier (from the identifier table).
    template <class U>
    HRESULT As(REFIID iid, ComPtr<U>* out) const {
        if (p_ == nullptr) return E_POINTER;
        return p_->QueryInterface(iid, out->PutVoid());
    }

  private:
    T* p_ = nullptr;
};

// A string the callee allocated with CoTaskMemAlloc (IMMDevice::GetId, IPart::GetName).
class CoTaskMemString {
  public:
    CoTaskMemString() = default;
    CoTaskMemString(const CoTaskMemString&) = delete;
    CoTaskMemString& operator=(const CoTaskMemString&) = delete;
    ~CoTaskMemString() { CoTaskMemFree(p_); }
    LPWSTR* Put() {
        CoTaskMemFree(p_);
        p_ = nullptr;
        return &p_;
    }
    const wchar_t* Get() const { return p_ != nullptr ? p_ : L""; }

  private:
    LPWSTR p_ = nullptr;
};

class ScopedPropVariant {
  public:
    ScopedPropVariant() { PropVariantInit(&pv_); }
    ScopedPropVariant(const ScopedPropVariant&) = delete;
    ScopedPropVariant& operator=(const ScopedPropVariant&) = delete;
    ~ScopedPropVariant() { PropVariantClear(&pv_); }
    PROPVARIANT* Put() {
        PropVariantClear(&pv_);
        return &pv_;
    }
    const PROPVARIANT& Get() const { return pv_; }

  private:
    PROPVARIANT pv_;
};

class ScopedBstr {
  public:
    ScopedBstr() = default;
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    ~ScopedBstr() { SysFreeString(p_); }
    BSTR* Put() {
        SysFreeString(p_);
        p_ = nullptr;
        return &p_;
    }
    const wchar_t* Get() const { return p_ != nullptr ? p_ : L""; }
    UINT Length() const { return SysStringLen(p_); }

  private:
    BSTR p_ = nullptr;
};

}  // namespace havro::coreaudio
