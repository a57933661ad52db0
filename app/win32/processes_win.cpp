#include "services_win.h"

#include <shellapi.h>

#include <vector>

namespace tk::win {

LaunchResult WinProcesses::start(const std::string& path, const std::string& folder) {
    LaunchResult result;
    std::wstring file = widen(path);
    std::wstring directory = widen(folder);
    DWORD attributes = GetFileAttributesW(file.c_str());
    if (file.empty() || attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        result.outcome = LaunchResult::Outcome::NotFound;
        return result;
    }
    // ShellExecuteEx rather than CreateProcess: a program whose manifest asks for
    // elevation starts after the consent prompt instead of failing.
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = L"open";
    info.lpFile = file.c_str();
    info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info) || !info.hProcess) {
        DWORD error = GetLastError();
        if (info.hProcess) CloseHandle(info.hProcess);
        result.outcome = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                             ? LaunchResult::Outcome::NotFound
                             : LaunchResult::Outcome::Failed;
        return result;
    }
    result.outcome = LaunchResult::Outcome::Started;
    result.handle = reinterpret_cast<ProcessHandle>(info.hProcess);
    result.processId = GetProcessId(info.hProcess);
    return result;
}

bool WinProcesses::exitCode(ProcessHandle handle, uint32_t& code) {
    if (!handle) return false;
    DWORD value = 0;
    if (!GetExitCodeProcess(reinterpret_cast<HANDLE>(handle), &value)) return false;
    code = value;
    return true;
}

bool WinProcesses::hasEnded(ProcessHandle handle) {
    if (!handle) return true;
    return WaitForSingleObject(reinterpret_cast<HANDLE>(handle), 0) == WAIT_OBJECT_0;
}

void WinProcesses::close(ProcessHandle handle) {
    if (handle) CloseHandle(reinterpret_cast<HANDLE>(handle));
}

bool WinProcesses::run(const std::string& commandLine) {
    // CreateProcess may write into the command line; give it its own buffer.
    std::wstring text = widen(commandLine);
    std::vector<wchar_t> buffer(text.begin(), text.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

}  // namespace tk::win
