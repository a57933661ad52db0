// The library's string exports never write past the 256 bytes the program gives them: each
// output buffer ends exactly at an inaccessible page, so a write of byte 256 or beyond faults
// at once. long_devices.sh loads a playback and a capture device whose names are 300
// characters long, longer than the buffers.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "havro_vista.h"
#include "wine_util.h"

namespace {

constexpr size_t kBuffer = 256;

// 256 usable bytes, filled with '#', whose byte 256 is the first of an inaccessible page.
struct GuardedBuffer {
    char* data = nullptr;
    GuardedBuffer() {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        auto* base = static_cast<char*>(
            VirtualAlloc(nullptr, 2 * si.dwPageSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        if (base && VirtualProtect(base + si.dwPageSize, si.dwPageSize, PAGE_NOACCESS, &old))
            data = base + si.dwPageSize - kBuffer;
        fill();
    }
    void fill() const {
        if (data) std::memset(data, '#', kBuffer);
    }
    bool untouched() const { return std::string(data, kBuffer) == std::string(kBuffer, '#'); }
    // The text up to its NUL; "<no NUL>" when the library left none in the buffer.
    std::string text() const { return std::memchr(data, 0, kBuffer) ? data : "<no NUL>"; }
};

// A write into a guard page ends the test program with a message rather than a bare crash.
LONG CALLBACK reportGuardFault(EXCEPTION_POINTERS* info) {
    if (info->ExceptionRecord->ExceptionCode != EXCEPTION_ACCESS_VIOLATION)
        return EXCEPTION_CONTINUE_SEARCH;
    std::fprintf(stderr, "access violation: a write past a 256-byte buffer\n");
    std::fflush(stderr);
    ExitProcess(3);
}

TEST(StringExports, NoExportWritesPastItsBuffer) {
    const std::wstring path = tk::wintest::unixToWine(TK_BIN_DIR) + L"HavroVista.dll";
    HMODULE dll = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    ASSERT_NE(dll, nullptr) << "HavroVista.dll is not built";
#define TK_BIND(name)                                                                             \
    const auto name =                                                                             \
        reinterpret_cast<havro::PFN_##name>(reinterpret_cast<void*>(GetProcAddress(dll, #name))); \
    ASSERT_NE(name, nullptr) << #name
    TK_BIND(GetNumberPlayDevices);
    TK_BIND(GetNumberRecordDevices);
    TK_BIND(GetPlayBackDevice);
    TK_BIND(GetRecordDevice);
    TK_BIND(GetDeviceNames);
    TK_BIND(OpenSoundCard);
    TK_BIND(OpenDefaultDevices);
    TK_BIND(CloseSoundCard);
#undef TK_BIND
    CoInitialize(nullptr);
    AddVectoredExceptionHandler(1, reportGuardFault);
    GuardedBuffer a, b, c;
    ASSERT_TRUE(a.data && b.data && c.data);
    int32_t plays = 0, records = 0;
    ASSERT_EQ(GetNumberPlayDevices(&plays), 0);
    ASSERT_EQ(GetNumberRecordDevices(&records), 0);
    EXPECT_EQ(GetPlayBackDevice(-1, a.data, b.data), -1);
    EXPECT_TRUE(a.untouched() && b.untouched()) << "index -1: buffers written";

    // Every listed endpoint, and one index past the end of each list, where playback answers
    // -1 and capture the number of endpoints.
    struct List {
        const char* what;
        havro::PFN_GetPlayBackDevice item;
        int32_t count, pastEnd;
        std::string longest, longestId;
    } lists[] = {{"playback", GetPlayBackDevice, plays, -1, "", ""},
                 {"capture", GetRecordDevice, records, records, "", ""}};
    for (List& list : lists) {
        for (int32_t i = 0; i <= list.count; ++i) {
            SCOPED_TRACE(std::string(list.what) + " " + std::to_string(i));
            a.fill();
            b.fill();
            const int32_t rc = list.item(i, a.data, b.data);
            if (i == list.count) {
                EXPECT_EQ(rc, list.pastEnd);
                EXPECT_TRUE(a.untouched() && b.untouched()) << "past the end: written";
                continue;
            }
            ASSERT_EQ(rc, 0);
            EXPECT_NE(a.text(), "<no NUL>") << "name not terminated";
            EXPECT_NE(b.text(), "<no NUL>") << "id not terminated";
            if (a.text().size() > list.longest.size())
                list.longest = a.text(), list.longestId = b.text();
        }
        ASSERT_GE(list.longest.size(), 200u) << "no " << list.what << " endpoint with a long "
                                             << "name: run through long_devices.sh";
    }

    // The stored names after opening the long-named endpoints, then the default devices'.
    auto fragment = [](const std::string& id) { return id.substr(id.find("}.{") + 2); };
    const std::string play = fragment(lists[0].longestId), record = fragment(lists[1].longestId);
    OpenSoundCard(play.c_str(), record.c_str(), record.c_str());
    for (bool defaults : {false, true}) {
        if (defaults) CloseSoundCard(), OpenDefaultDevices();
        a.fill();
        b.fill();
        c.fill();
        GetDeviceNames(a.data, b.data, c.data);
        for (const GuardedBuffer* buffer : {&a, &b, &c})  // untouched: that name is not stored
            EXPECT_TRUE(buffer->untouched() || buffer->text() != "<no NUL>") << defaults;
    }
    CloseSoundCard();
    CoUninitialize();
    FreeLibrary(dll);
}

}  // namespace
