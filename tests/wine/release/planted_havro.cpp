// A HavroVista.dll that must never be loaded by Tonekeep: whoever loads it leaves a
// witness file "HavroVista.loaded" beside it.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t witness[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameW(self, witness, MAX_PATH);
    while (n > 0 && witness[n - 1] != L'\\' && witness[n - 1] != L'/') --n;
    lstrcpyW(witness + n, L"HavroVista.loaded");
    CloseHandle(CreateFileW(witness, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return TRUE;
}
