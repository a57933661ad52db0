#include "frmAbout.h"

#include "../modules/maker_site.h"
#include "../modules/resume.h"

namespace tk {

frmAbout::frmAbout(Services& services, const Publics& publics)
    : controls::Form("frmAbout"), s_(services), p_(publics) {
    cmdOk.setCaption("OK");
    cmdOk.onClick = [this] { tryStep([&] { cmdOk_Click(); }); };
    cmdSysInfo.setCaption("&System Info...");
    cmdSysInfo.onClick = [this] { tryStep([&] { cmdSysInfo_Click(); }); };
    lblSeeAlso.setCaption("See our other great products at :");
    Label2.setCaption(site::kHomePage);
    Label3.setCaption("Make a donation");
    Label4.setCaption("Revision History && Problem reports");
}

void frmAbout::Form_Load() {
    setCaption(std::string("About ") + kAppTitle);
    lblVersion.setCaption("Version " + std::to_string(site::kVersionMajor) + "." +
                          std::to_string(site::kVersionMinor) + "." +
                          std::to_string(site::kVersionRevision));
    lblTitle.setCaption(kAppTitle);
}

void frmAbout::cmdOk_Click() {
    if (close) close();
}

void frmAbout::Label2_Click() {
    ExecuteCommand(s_, site::kHomePage);
}
void frmAbout::Label3_Click() {
    ExecuteCommand(s_, site::kDonationPage);
}
void frmAbout::Label4_Click() {
    ExecuteCommand(s_, site::kRevisionHistoryPage);
}

void frmAbout::cmdSysInfo_Click() {
    if (p_.endpointPath()) {
        s_.processes.run("msinfo32");
        return;
    }
    StartSysInfo();
}

// The tool's place is recorded by the system in one of two registry values; both are
// read for reading only, so a user without administrator rights finds it too.
void frmAbout::StartSysInfo() {
    std::string path;
    bool started = tryStep([&] {
        if (auto p = s_.system.machineValue("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH")) {
            path = *p;
        } else if (auto folder = s_.system.machineValue(
                       "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO")) {
            std::string candidate = *folder + "\\MSINFO32.EXE";
            if (s_.system.fileExists(candidate)) path = candidate;
        }
        if (path.empty() || !s_.processes.run("\"" + path + "\"")) throw std::runtime_error("none");
    });
    if (!started)
        s_.messages.show("System Information Is Unavailable At This Time", mb::kOkOnly, kAppTitle);
}

}  // namespace tk
