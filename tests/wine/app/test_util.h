// Helpers of the Wine tests: paths, polling, windows of another process, registry.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace tk::wintest {

// The folder of the running test program, with a trailing backslash.
std::wstring ownFolder();
// A Unix path (as CMake knows it) as Wine sees it through drive Z:.
std::wstring unixToWine(const std::string& unixPath);

// Polls `done` every 50 ms (pumping this thread's messages) until it holds or the time
// is up; returns its last answer.
bool waitFor(const std::function<bool()>& done,
             std::chrono::milliseconds timeout = std::chrono::seconds(10));
void pumpMessages();

// Top-level windows of process `pid` whose class is `className` (nullptr: any).
std::vector<HWND> windowsOf(DWORD pid, const wchar_t* className);
std::wstring windowText(HWND hwnd);
// The texts of all child windows (static texts of a message box, buttons, ...).
std::vector<std::wstring> childTexts(HWND hwnd);

// Registry helpers (HKCU unless said otherwise).
bool deleteTree(HKEY root, const std::wstring& path);
bool readString(HKEY root, const std::wstring& path, const std::wstring& name, std::wstring& out);
bool writeString(HKEY root, const std::wstring& path, const std::wstring& name,
                 const std::wstring& value);
bool deleteValue(HKEY root, const std::wstring& path, const std::wstring& name);

}  // namespace tk::wintest
