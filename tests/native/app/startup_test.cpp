#include <functional>

#include "main_window_fixture.h"

namespace tk::test {
namespace {

using StartupTest = MainWindowTest;

// A start that cannot go on says why, critically, and stores nothing: a second copy
// (before anything else), no library, no playback endpoint or a count that fails (the
// no-device case, not the missing library), no mixer device.
TEST_F(StartupTest, StartsThatEndSayWhyAndStoreNothing) {
    const std::string noCards =
        "No sound cards found. Please check sound card installation.\r\rIf your sound card "
        "is a USB device make sure the sound card is connected.\r\rProgram will end";
    const struct {
        const char* what;
        std::function<void(Rig&)> breakIt;
        int major;
        std::string message;
    } rows[] = {
        {"second copy", [](Rig& r) { r.system.otherInstance = true; }, 6,
         "Another instance of Havro Tonekeep is running"},
        {"no library", [](Rig& r) { r.library.throwAll = true; }, 6,
         "HavroVista.dll not found in the programs folder"},
        {"count fails", [](Rig& r) { r.library.failOn.insert("GetNumberPlayDevices"); }, 6,
         noCards},
        {"no playback", [](Rig& r) { r.library.playback.clear(); }, 6, noCards},
        {"no mixer device", [](Rig& r) { r.mixer.devices.clear(); }, 5, noCards},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Rig r;
        r.library.addPlayback("Speakers", "AAAA-1111");
        r.mixer.devices.push_back(typicalSoundCard("Card A"));
        row.breakIt(r);
        r.system.major = row.major;
        Publics p;
        frmMain m(r.services, p);
        EXPECT_FALSE(m.Form_Load());
        ASSERT_EQ(r.messages.shown.size(), 1u);
        EXPECT_EQ(r.messages.last(), row.message);
        EXPECT_EQ(r.messages.shown[0].flags, mb::kCritical);
        EXPECT_TRUE(r.settings.values.empty());
        EXPECT_FALSE(r.tray.shown);
        // The hourglass goes again, and a second copy asks the library nothing.
        EXPECT_TRUE(!r.library.throwAll || r.system.cursors.back() == Cursor::Default);
        EXPECT_TRUE(!r.system.otherInstance || r.library.calls.empty());
    }
}

// A first start stores no option and no level set of its own (the Wine program test
// checks the entry it creates); options are stored the moment they change; a later
// start puts its first levels back and restores the options (an unreadable one reads
// as off).
TEST_F(StartupTest, FirstStartCreatesNormalWindowsAndALaterStartRestoresIt) {
    frmMain& m = start(5);
    ASSERT_TRUE(started);
    const std::string first = rig.settings.at("Settings 0");
    EXPECT_FALSE(rig.settings.has("Exit"));  // an unchanged box writes nothing
    EXPECT_FALSE(rig.settings.has("SoundSettings 0"));
    EXPECT_EQ(m.caption(), "Havro Tonekeep  [Normal Windows]");
    EXPECT_EQ(rig.tray.tip, "Havro Tonekeep\rSound card set for Normal Windows");
    m.chkExit.setValue(1);  // stored at once
    m.chkStartMin.setValue(1);
    EXPECT_EQ(rig.settings.at("Exit"), "1");
    EXPECT_EQ(rig.settings.at("StartMin"), "1");

    main.reset();
    rig.mixer.changeFromOutside(0, 0, 0, 0, 0, 12345);
    rig.settings.values["EscKey"] = "junk";
    frmMain& later = start(5);
    EXPECT_EQ(rig.settings.at("Settings 0"), first);
    EXPECT_EQ(rig.mixer.getLevelState(0), first);
    EXPECT_EQ(later.chkExit.value(), 1);
    EXPECT_EQ(later.chkEsc.value(), 0);
    EXPECT_EQ(later.chkStartMin.value(), 1);
    EXPECT_FALSE(later.visible());
    EXPECT_TRUE(rig.tray.shown);
}

// The program list ends at the first gap. A device that fails while the devices are
// listed keeps its place, so that every list position stays its device index, and it
// cannot be chosen. The hourglass stays up for the whole start-up.
TEST_F(StartupTest, LegacyDeviceThatFailsKeepsItsPlaceAndIsRefused) {
    rig.settings.values["Name 0"] = "Normal Windows";
    rig.settings.values["Mixer 0"] = "2";
    storeProgram(1, "C:\\Games\\quake.exe");
    storeProgram(2, "noslash.exe");
    storeProgram(4, "C:\\after\\gap.exe");
    rig.mixer.devices[1].nameFails = true;
    rig.mixer.devices.push_back(typicalSoundCard("Card C"));
    frmMain& m = start(5);
    EXPECT_EQ(m.PrgName.items(),
              (std::vector<std::string>{"Normal Windows", "quake.exe", "noslash.exe"}));
    EXPECT_EQ(m.mnuPlaceHolder.count(), 3 + 5);  // the entries, a separator, four commands
    ASSERT_EQ(m.SoundCard.listCount(), 3);
    EXPECT_EQ(m.SoundCard.list(2), "Card C");
    EXPECT_EQ(m.SoundCard.listIndex(), 2);
    EXPECT_EQ(rig.mixer.currentMixer(), 2);
    EXPECT_EQ(rig.system.cursors, (std::vector<Cursor>{Cursor::Hourglass, Cursor::Default}));
    EXPECT_FALSE(m.cmbSpeakers.visible());
    EXPECT_TRUE(rig.library.calls.empty());
    const std::string stored = rig.settings.at("SoundSettings 0");
    m.SoundCard.setListIndex(1);
    EXPECT_EQ(m.MixerIndex, 2);
    EXPECT_EQ(rig.mixer.currentMixer(), 2);
    EXPECT_EQ(rig.settings.at("Mixer 0"), "2");
    EXPECT_EQ(rig.settings.at("SoundSettings 0"), stored);
}

// A default capture endpoint named like a microphone selects the microphone box, any
// other the line-in box; the box without a default takes its first entry, and of two
// endpoints with one name the first is selected. Without capture endpoints the capture
// boxes stay empty; an id without the "}.{" separator loses its first character.
TEST_F(StartupTest, DefaultDevicesSelectTheirBoxes) {
    const struct {
        int capture;
        const char* firstPlayback;
        int speakers, mic, line;
    } rows[] = {{0, "Speakers", 1, 0, 0}, {1, "Speakers", 1, 0, 1}, {1, "Headphones", 0, 0, 1}};
    for (const auto& row : rows) {
        main.reset();
        rig.settings.values.clear();
        rig.library.defaultPlayback = 1;
        rig.library.defaultCapture = row.capture;
        rig.library.playback[0].name = row.firstPlayback;
        frmMain& m = start(6);
        SCOPED_TRACE(row.capture);
        EXPECT_EQ(m.cmbSpeakers.listIndex(), row.speakers);
        EXPECT_EQ(m.cmbMic.listIndex(), row.mic);
        EXPECT_EQ(m.cmbLineIn.listIndex(), row.line);
    }
    main.reset();
    rig.library.capture.clear();
    rig.library.playback[0].id = "XPLAIN-ID";
    frmMain& m = start(6);
    EXPECT_EQ(m.cmbMic.listCount(), 0);
    EXPECT_EQ(m.cmbLineIn.listIndex(), -1);
    EXPECT_EQ(m.PlayGuid[0], "PLAIN-ID");
}

}  // namespace
}  // namespace tk::test
