// Small helpers shared by the Win32 layer: UTF-8 <-> UTF-16 conversion and one scoped
// type per kernel resource (handle, registry key). Every Win32 call of the program uses
// the wide API; text inside the program is UTF-8.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <utility>

namespace tk::win {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);
// The system ANSI code page, used only at the HavroVista boundary.
std::string utf8ToAnsi(std::string_view utf8);
std::string ansiToUtf8(std::string_view ansi);
// The system's text for an error code, without the trailing line break.
std::string errorText(DWORD code);

// A kernel handle closed once, on destruction. Move-only.
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    UniqueHandle(UniqueHandle&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(std::exchange(other.h_, nullptr));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    HANDLE release() { return std::exchange(h_, nullptr); }
    void reset(HANDLE h = nullptr) {
        if (h_) CloseHandle(h_);
        h_ = h;
    }

  private:
    HANDLE h_ = nullptr;
};

// An open registry key closed once, on destruction. Move-only.
class RegKey {
  public:
    RegKey() = default;
    RegKey(RegKey&& other) noexcept : k_(std::exchange(other.k_, nullptr)) {}
    RegKey& operator=(RegKey&& other) noexcept {
        if (this != &other) {
            close();
            k_ = std::exchange(other.k_, nullptr);
        }
        return *this;
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey() { close(); }

    HKEY get() const { return k_; }
    HKEY* receive() {
        close();
        return &k_;
    }
    explicit operator bool() const { return k_ != nullptr; }
    void close() {
        if (k_) RegCloseKey(k_);
        k_ = nullptr;
    }

  private:
    HKEY k_ = nullptr;
};

}  // namespace tk::win
