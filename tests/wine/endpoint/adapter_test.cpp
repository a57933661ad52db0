// The Core Audio adapter's own pieces, on Windows (Wine): the move-only COM pointer and
// the ANSI conversion. (The adapter against the real device enumerator is driven through
// the library's exports.)
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <utility>

#include "coreaudio/com_ptr.h"
#include "coreaudio/core_audio_system.h"

namespace havro::coreaudio {
namespace {

// An IUnknown that counts its references and answers QueryInterface for IUnknown only.
class Counted : public IUnknown {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid != __uuidof(IUnknown)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    ULONG refs = 0;
};

TEST(ComPtrTest, ReleasesExactlyOnceAcrossMoves) {
    Counted object;
    {
        ComPtr<IUnknown> a;
        *a.Put() = &object;
        object.AddRef();
        ComPtr<IUnknown> b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(b.Get(), &object);
        ComPtr<IUnknown> c;
        c = std::move(b);
        EXPECT_EQ(object.refs, 1u);
    }
    EXPECT_EQ(object.refs, 0u);
}

TEST(ComPtrTest, PutReleasesWhatWasHeldAndAsQueries) {
    Counted first, second;
    ComPtr<IUnknown> p;
    *p.Put() = &first;
    first.AddRef();
    *p.Put() = &second;  // first is released before the out-parameter is written
    second.AddRef();
    EXPECT_EQ(first.refs, 0u);
    ComPtr<IUnknown> q;
    EXPECT_EQ(p.As(IID_IUnknown, &q), S_OK);
    EXPECT_EQ(second.refs, 2u);
    ComPtr<IClassFactory> none;
    EXPECT_EQ(p.As(IID_IClassFactory, &none), E_NOINTERFACE);
    EXPECT_FALSE(none);
    p.Reset();
    q.Reset();
    EXPECT_EQ(second.refs, 0u);
}

TEST(CoreAudioSystemTest, AnsiConversionUsesTheSystemCodePage) {
    CoreAudioSystem system;
    EXPECT_EQ(system.ToAnsi(u"Line In (2)"), "Line In (2)");
    EXPECT_EQ(system.FromAnsi("Speakers"), u"Speakers");
    EXPECT_EQ(system.ToAnsi(u""), "");
    if (GetACP() != 1252) FAIL() << "code page " << GetACP() << ", expectations are for 1252";
    EXPECT_EQ(system.ToAnsi(u"Kopfh\u00f6rer \u4e2d"), "Kopfh\xf6rer ?");
    EXPECT_EQ(system.FromAnsi("\xf6"), u"\u00f6");
}

}  // namespace
}  // namespace havro::coreaudio
