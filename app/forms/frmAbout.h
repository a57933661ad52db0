// The about box: title, version, the maker's pages and the system-information tool.
#pragma once

#include <functional>
#include <string>

#include "../controls/controls.h"
#include "../modules/publics.h"
#include "../platform/services.h"

namespace tk {

class frmAbout : public controls::Form {
  public:
    frmAbout(Services& services, const Publics& publics);

    controls::Label lblTitle{"lblTitle"};
    controls::Label lblVersion{"lblVersion"};
    controls::Label lblSeeAlso{"lblSeeAlso"};
    controls::Button cmdOk{"cmdOk"};
    controls::Button cmdSysInfo{"cmdSysInfo"};
    // Link labels.
    controls::Label Label2{"Label2"};
    controls::Label Label3{"Label3"};
    controls::Label Label4{"Label4"};

    void Form_Load();
    void cmdOk_Click();
    void cmdSysInfo_Click();
    void Label2_Click();
    void Label3_Click();
    void Label4_Click();
    void StartSysInfo();

    // Set by the window that shows the dialog: closes it.
    std::function<void()> close;

  private:
    Services& s_;
    const Publics& p_;
};

}  // namespace tk
