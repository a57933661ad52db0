#include <gtest/gtest.h>

#include "fake_services.h"
#include "forms/frmAbout.h"

namespace tk::test {
namespace {

TEST(AboutTest, ShowsTitleAndVersionAndOpensTheMakersPages) {
    Rig rig;
    Publics publics;
    publics.OSMajor = 6;
    frmAbout about(rig.services, publics);
    about.Form_Load();
    EXPECT_EQ(about.caption(), "About Havro Tonekeep");
    EXPECT_EQ(about.lblVersion.caption(), "Version 3.4.0");
    EXPECT_EQ(about.lblTitle.caption(), "Havro Tonekeep");
    about.Label2_Click();
    about.Label4_Click();
    ASSERT_EQ(rig.shell.opened.size(), 2u);
    EXPECT_EQ(rig.shell.opened[0], about.Label2.caption());
    bool closed = false;
    about.close = [&] { closed = true; };
    about.cmdOk.press();
    EXPECT_TRUE(closed);
    about.cmdSysInfo.press();
    EXPECT_EQ(rig.processes.commands, (std::vector<std::string>{"msinfo32"}));
}

TEST(AboutTest, LegacySystemInfoLooksInBothRegistryPlaces) {
    Rig rig;
    Publics publics;
    publics.OSMajor = 5;
    frmAbout about(rig.services, publics);
    about.cmdSysInfo.press();
    EXPECT_EQ(rig.messages.last(), "System Information Is Unavailable At This Time");
    rig.system.machine["SOFTWARE\\Microsoft\\Shared Tools Location|MSINFO"] = "C:\\MSINFO";
    rig.system.files.insert("C:\\MSINFO\\MSINFO32.EXE");
    about.cmdSysInfo.press();
    EXPECT_EQ(rig.processes.commands, (std::vector<std::string>{"\"C:\\MSINFO\\MSINFO32.EXE\""}));
    rig.system.machine["SOFTWARE\\Microsoft\\Shared Tools\\MSINFO|PATH"] =
        "C:\\Tools\\msinfo32.exe";
    about.cmdSysInfo.press();
    EXPECT_EQ(rig.processes.commands.back(), "\"C:\\Tools\\msinfo32.exe\"");
}

}  // namespace
}  // namespace tk::test
