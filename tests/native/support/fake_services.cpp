#include "fake_services.h"

#include <algorithm>

namespace tk::test {

void FakeSettings::save(std::string_view key, std::string_view value) {
    if (failWrites) throw SettingsError("write failed");
    ++writes;
    values[std::string(key)] = std::string(value);
}

void FakeSettings::remove(std::string_view key) {
    auto it = values.find(key);
    if (it == values.end()) throw SettingsError("no such key");
    values.erase(it);
}

int FakeMessages::show(const std::string& text, int flags, const std::string&) {
    shown.push_back({text, flags});
    if ((flags & 7) == mb::kYesNo) {
        if (answers.empty()) return mb::kYes;
        int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return mb::kOk;
}

LaunchResult FakeProcesses::start(const std::string& path, const std::string& folder) {
    started.emplace_back(path, folder);
    LaunchResult result;
    if (!existing.count(path)) {
        result.outcome = LaunchResult::Outcome::NotFound;
        return result;
    }
    if (startFails) return result;
    result.outcome = LaunchResult::Outcome::Started;
    result.handle = nextHandle++;
    result.processId = static_cast<uint32_t>(result.handle * 4);
    processes[result.handle] = Process{};
    return result;
}

// The process behind a handle that can be queried, or nullptr.
FakeProcesses::Process* FakeProcesses::queried(ProcessHandle handle) {
    auto it = processes.find(handle);
    if (it == processes.end() || it->second.queryFails || it->second.closed) return nullptr;
    return &it->second;
}

bool FakeProcesses::exitCode(ProcessHandle handle, uint32_t& code) {
    Process* p = queried(handle);
    if (p) code = p->exitCode;
    return p != nullptr;
}

void FakeProcesses::close(ProcessHandle handle) {
    auto it = processes.find(handle);
    if (it != processes.end()) it->second.closed = true;
}

bool FakeProcesses::run(const std::string& commandLine) {
    for (const std::string& missing : missingCommands)
        if (commandLine.rfind(missing, 0) == 0) return false;
    commands.push_back(commandLine);
    return true;
}

int FakeFormHost::count(const std::string& call) const {
    return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

std::string FakeSystem::ansiForm(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        // Two-byte sequences led by 0xC2 or 0xC3 are U+0080..U+00FF.
        if (length == 1 || (length == 2 && lead <= 0xC3))
            out += text.substr(i, length);
        else
            out += '?';
        i += length;
    }
    return out;
}

}  // namespace tk::test
