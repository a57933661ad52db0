// GetTickCount64 for the 32-bit builds, which must load on Windows XP: its kernel32 has
// no GetTickCount64, yet the static thread library calls it for its timed waits. This
// file fills the import slot those calls go through, so the linker takes no import
// from kernel32: the real function is bound at run time where the system has it, and
// the 32-bit count, widened across its wrap, serves elsewhere. Linked as an object file
// into Tonekeep.exe and HavroVista.dll (a definition in an archive would come too late).
#include <windows.h>

#include <atomic>

#include "core/tick_widener.h"

#if defined(__i386__)
namespace {

using TickCount64Fn = ULONGLONG(WINAPI*)();

havro::TickWidener g_widener;
// The system's GetTickCount64 once looked up; the fallback below when there is none.
std::atomic<TickCount64Fn> g_bound{nullptr};

ULONGLONG WINAPI widenedTickCount() {
    return g_widener.widen(GetTickCount());
}

ULONGLONG WINAPI tickCount64() {
    TickCount64Fn fn = g_bound.load(std::memory_order_acquire);
    if (fn == nullptr) {
        HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        fn = kernel ? reinterpret_cast<TickCount64Fn>(
                          reinterpret_cast<void*>(GetProcAddress(kernel, "GetTickCount64")))
                    : nullptr;
        if (fn == nullptr) fn = widenedTickCount;
        g_bound.store(fn, std::memory_order_release);
    }
    return fn();
}

}  // namespace

// The slot `call *__imp__GetTickCount64@0` reads.
extern "C" TickCount64Fn tk_GetTickCount64_slot __asm__("__imp__GetTickCount64@0");
TickCount64Fn tk_GetTickCount64_slot = tickCount64;
#endif
