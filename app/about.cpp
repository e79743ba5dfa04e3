#include "app/about.h"

#include "app/version.h"
#include "controls/Class_b.h"
#include "forms/Layouts.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/StdCtrls.h"

#include <string>

namespace krvl {

TAboutBox* AboutBox = nullptr;

TAboutBox::TAboutBox(tk::TComponent* owner) : tk::TForm(owner) {
    BindMethod("FormCreate", [this](tk::TObject* s) { FormCreate(s); });
    forms::Load(*this, "about.dfm");
    lbName = &ComponentByName<tk::TLabel>("lbName");
    lbsytem = &ComponentByName<tk::TLabel>("lbsytem");
    lbSys = &ComponentByName<controls::TExtLabel>("lbSys");
    lbVersion = &ComponentByName<tk::TLabel>("lbVersion");
    ExtLabel2 = &ComponentByName<controls::TExtLabel>("ExtLabel2");
    Image1 = &ComponentByName<tk::TImage>("Image1");
    Label2 = &ComponentByName<tk::TLabel>("Label2");
    lbPartner = &ComponentByName<tk::TLabel>("lbPartner");
    ExtLabel1 = &ComponentByName<controls::TExtLabel>("ExtLabel1");
    lbmail = &ComponentByName<tk::TLabel>("lbmail");
    OKButton = &ComponentByName<tk::TButton>("OKButton");
}

TAboutBox::~TAboutBox() {
    if (AboutBox == this) AboutBox = nullptr;
}

void TAboutBox::FormCreate(tk::TObject*) {
    lbName->SetCaption("Korvalin");
    lbVersion->SetCaption(std::string("Version ") + kVersion);
    lbSys->SetCaption("für Windows 95/98 (TM)");
}

} // namespace krvl
