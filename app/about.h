// The about box: product name, version and credits, shown modally from the mixer windows' system menu
// and the settings dialog. Created once at start-up; closing it only hides it.
#pragma once

#include "toolkit/Forms.h"

namespace tk {
class TButton;
class TImage;
class TLabel;
} // namespace tk

namespace controls {
class TExtLabel;
}

namespace krvl {

class TAboutBox : public tk::TForm {
public:
    explicit TAboutBox(tk::TComponent* owner);
    ~TAboutBox() override;
    std::string ClassName() const override { return "TAboutBox"; }

    tk::TLabel* lbName{};
    tk::TLabel* lbsytem{};
    controls::TExtLabel* lbSys{};
    tk::TLabel* lbVersion{};
    controls::TExtLabel* ExtLabel2{};
    tk::TImage* Image1{};
    tk::TLabel* Label2{};
    tk::TLabel* lbPartner{};
    controls::TExtLabel* ExtLabel1{};
    tk::TLabel* lbmail{};
    tk::TButton* OKButton{};

    void FormCreate(tk::TObject* sender);
};

extern TAboutBox* AboutBox;

} // namespace krvl
