// A HavroVista.dll that must never be loaded by Tonekeep: whoever loads it leaves a
// witness file "HavroVista.loaded" beside it, holding the loading program's path.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t witness[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameW(self, witness, MAX_PATH);
    while (n > 0 && witness[n - 1] != L'\\' && witness[n - 1] != L'/') --n;
    lstrcpyW(witness + n, L"HavroVista.loaded");
    HANDLE file = CreateFileW(witness, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        wchar_t loader[MAX_PATH] = {};
        DWORD length = GetModuleFileNameW(nullptr, loader, MAX_PATH);
        DWORD written = 0;
        WriteFile(file, loader, length * sizeof(wchar_t), &written, nullptr);
        CloseHandle(file);
    }
    return TRUE;
}
