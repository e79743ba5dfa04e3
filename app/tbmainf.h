// The hidden main window: receives the system's broadcasts and offers the "Open" / "Exit" menu.
#pragma once

#include "toolkit/Forms.h"
#include "toolkit/Menus.h"

namespace krvl {

class TfrmMain : public tk::TForm {
public:
    explicit TfrmMain(tk::TComponent* owner);
    ~TfrmMain() override;
    std::string ClassName() const override { return "TfrmMain"; }

    void OpenCommand();
    void ExitCommand();
    bool PopupShown() const { return m_popup != nullptr; }

private:
    void FormCreate(tk::TObject* sender);
    void FormClose(tk::TObject* sender, tk::TCloseAction& action);
    void UMTrayMouse(tk::TMessage& message);
    void WMDeviceChange(tk::TMessage& message);
    void WMQueryEndSession(tk::TMessage& message);
    void WMEndSession(tk::TMessage& message);
    void ShowPopup();

    // Built on demand and kept until the next click destroys it; owned by nobody else.
    tk::TOwned<tk::TPopupMenu> m_popup;
};

extern TfrmMain* frmMain;

} // namespace krvl
