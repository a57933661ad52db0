#include <gtest/gtest.h>

#include "fake_services.h"
#include "forms/frmAbout.h"
#include "modules/maker_site.h"

namespace tk::test {
namespace {

// Each link opens its own page. System information runs msinfo32 from Windows 7 on;
// before, it looks the program up in the two registry places, the second winning.
TEST(AboutTest, EachLinkOpensItsOwnPageAndSystemInfoStarts) {
    Rig rig;
    Publics publics;
    publics.OSMajor = 6;
    frmAbout about(rig.services, publics);
    const std::pair<void (frmAbout::*)(), const char*> links[] = {
        {&frmAbout::Label2_Click, site::kHomePage},
        {&frmAbout::Label3_Click, site::kDonationPage},
        {&frmAbout::Label4_Click, site::kRevisionHistoryPage}};
    for (const auto& [click, page] : links) {
        (about.*click)();
        EXPECT_EQ(rig.shell.opened.back(), page);
    }
    about.cmdSysInfo.press();
    EXPECT_EQ(rig.processes.commands, (std::vector<std::string>{"msinfo32"}));

    publics.OSMajor = 5;
    rig.processes.commands.clear();
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
