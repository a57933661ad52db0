// The library's string exports never write past the 256 bytes the program gives them:
// each output buffer ends exactly at a guard page (PAGE_NOACCESS), so a write of byte
// 256 or beyond faults at once. The harness script loads a playback and a capture
// device whose names are 300 characters long (long_devices.sh) so that the names the
// library copies are longer than the buffers.
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

// 256 usable bytes whose byte 256 is the first byte of an inaccessible page.
class GuardedBuffer {
  public:
    GuardedBuffer() {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        page_ = si.dwPageSize;
        base_ = static_cast<char*>(
            VirtualAlloc(nullptr, 2 * page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        if (base_) VirtualProtect(base_ + page_, page_, PAGE_NOACCESS, &old);
    }
    ~GuardedBuffer() {
        if (base_) VirtualFree(base_, 0, MEM_RELEASE);
    }
    char* data() const { return base_ + page_ - kBuffer; }
    void fill(char c) const { std::memset(data(), c, kBuffer); }
    // The text up to its NUL; "<no NUL>" when the library left none in the buffer.
    std::string text() const {
        const void* nul = std::memchr(data(), 0, kBuffer);
        return nul ? std::string(data()) : std::string("<no NUL>");
    }
    bool untouched(char c) const {
        for (size_t i = 0; i < kBuffer; ++i)
            if (data()[i] != c) return false;
        return true;
    }
    explicit operator bool() const { return base_ != nullptr; }

  private:
    char* base_ = nullptr;
    DWORD page_ = 0;
};

// A write into a guard page ends the test program at once with a message naming the
// address, rather than a bare crash.
LONG CALLBACK reportGuardFault(EXCEPTION_POINTERS* info) {
    if (info->ExceptionRecord->ExceptionCode != EXCEPTION_ACCESS_VIOLATION)
        return EXCEPTION_CONTINUE_SEARCH;
    const char* at = reinterpret_cast<const char*>(info->ExceptionRecord->ExceptionInformation[1]);
    std::fprintf(stderr, "access violation at %p: a write past a 256-byte buffer\n",
                 static_cast<const void*>(at));
    std::fflush(stderr);
    ExitProcess(3);
}

// The exports this test calls.
// clang-format off
#define STRING_EXPORTS(X) X(GetNumberPlayDevices) X(GetNumberRecordDevices) X(GetPlayBackDevice) \
    X(GetRecordDevice) X(GetDeviceNames) X(OpenSoundCard) X(OpenDefaultDevices) X(CloseSoundCard)
// clang-format on

struct Library {
    HMODULE dll = nullptr;
#define TK_FN(name) havro::PFN_##name name = nullptr;
    STRING_EXPORTS(TK_FN)
#undef TK_FN
};

class StringExports : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::wstring path = tk::wintest::unixToWine(TK_BIN_DIR) + L"HavroVista.dll";
        lib_.dll = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (!lib_.dll) FAIL() << "HavroVista.dll is not built";
        bool bound = true;
#define TK_BIND(name)                                              \
    lib_.name = reinterpret_cast<havro::PFN_##name>(               \
        reinterpret_cast<void*>(GetProcAddress(lib_.dll, #name))); \
    bound = bound && lib_.name != nullptr;
        STRING_EXPORTS(TK_BIND)
#undef TK_BIND
        ASSERT_TRUE(bound) << "an export is missing";
        CoInitialize(nullptr);
        handler_ = AddVectoredExceptionHandler(1, reportGuardFault);
    }
    void TearDown() override {
        if (!lib_.dll) return;
        if (handler_) RemoveVectoredExceptionHandler(handler_);
        if (lib_.CloseSoundCard) lib_.CloseSoundCard();
        CoUninitialize();
        FreeLibrary(lib_.dll);
    }
    Library lib_;
    void* handler_ = nullptr;
};

TEST_F(StringExports, NoExportWritesPastItsBuffer) {
    GuardedBuffer a, b, c;
    ASSERT_TRUE(a && b && c);
    int32_t plays = 0, records = 0;
    ASSERT_EQ(lib_.GetNumberPlayDevices(&plays), 0);
    ASSERT_EQ(lib_.GetNumberRecordDevices(&records), 0);

    // A negative index, every listed endpoint, and one index past the end of each list.
    a.fill('#');
    b.fill('#');
    EXPECT_EQ(lib_.GetPlayBackDevice(-1, a.data(), b.data()), -1);
    EXPECT_TRUE(a.untouched('#') && b.untouched('#')) << "index -1: buffers written";
    // Past the end, playback answers -1 and capture the number of endpoints.
    struct List {
        const char* what;
        havro::PFN_GetPlayBackDevice item;
        int32_t count, pastEnd;
        std::string longest, longestId;
    } lists[] = {{"playback", lib_.GetPlayBackDevice, plays, -1, "", ""},
                 {"capture", lib_.GetRecordDevice, records, records, "", ""}};
    for (List& list : lists) {
        for (int32_t i = 0; i <= list.count; ++i) {
            SCOPED_TRACE(std::string(list.what) + " " + std::to_string(i));
            a.fill('#');
            b.fill('#');
            const int32_t rc = list.item(i, a.data(), b.data());  // a write past faults
            if (i == list.count) {
                EXPECT_EQ(rc, list.pastEnd);
                EXPECT_TRUE(a.untouched('#') && b.untouched('#')) << "past the end: written";
                continue;
            }
            ASSERT_EQ(rc, 0);
            EXPECT_NE(a.text(), "<no NUL>") << "name not terminated";
            EXPECT_NE(b.text(), "<no NUL>") << "id not terminated";
            if (a.text().size() > list.longest.size())
                list.longest = a.text(), list.longestId = b.text();
        }
    }
    const std::string &longPlay = lists[0].longest, &longRecord = lists[1].longest;
    const std::string &longPlayId = lists[0].longestId, &longRecordId = lists[1].longestId;
    std::printf(
        "[ guard    ] %d playback, %d capture endpoints; longest names %zu and %zu "
        "characters\n",
        plays, records, longPlay.size(), longRecord.size());
    if (longPlay.size() < 200 || longRecord.size() < 200)
        FAIL() << "no endpoint with a long name: run through long_devices.sh, which "
                  "loads sinks with 300-character descriptions";
    // A name that fills the buffer is cut, and still terminated within it.
    EXPECT_LE(longPlay.size(), kBuffer - 1);
    EXPECT_LE(longRecord.size(), kBuffer - 1);

    // The stored names after opening the long-named endpoints, each into a guarded buffer.
    const std::string playFragment = longPlayId.substr(longPlayId.find("}.{") + 2);
    const std::string recordFragment = longRecordId.substr(longRecordId.find("}.{") + 2);
    lib_.OpenSoundCard(playFragment.c_str(), recordFragment.c_str(), recordFragment.c_str());
    a.fill('#');
    b.fill('#');
    c.fill('#');
    lib_.GetDeviceNames(a.data(), b.data(), c.data());
    for (const GuardedBuffer* buffer : {&a, &b, &c}) {
        if (buffer->untouched('#')) continue;  // that name was not stored (a failed walk)
        EXPECT_NE(buffer->text(), "<no NUL>");
        EXPECT_LE(buffer->text().size(), kBuffer - 1);
    }
    // The default devices' names the same way.
    lib_.CloseSoundCard();
    lib_.OpenDefaultDevices();
    lib_.GetDeviceNames(a.data(), b.data(), c.data());
}

}  // namespace
