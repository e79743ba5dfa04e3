#include "app/tbmainf.h"

#include "app/Formutil.h"
#include "app/Mixctrl.h"
#include "app/messages.h"
#include "app/startup.h"
#include "driver/cards.h"
#include "driver/config.h"
#include "forms/Layouts.h"

#include <cstring>

namespace krvl {

TfrmMain* frmMain = nullptr;

TfrmMain::TfrmMain(tk::TComponent* owner) : tk::TForm(owner) {
    BindMethod("FormCreate", [this](tk::TObject* s) { FormCreate(s); });
    BindCloseMethod("FormClose", [this](tk::TObject* s, tk::TCloseAction& a) { FormClose(s, a); });
    SetMessageHandler(UM_TRAYMOUSE, [this](tk::TMessage& m) { UMTrayMouse(m); });
    SetMessageHandler(WM_DEVICECHANGE, [this](tk::TMessage& m) { WMDeviceChange(m); });
    SetMessageHandler(WM_QUERYENDSESSION, [this](tk::TMessage& m) { WMQueryEndSession(m); });
    SetMessageHandler(WM_ENDSESSION, [this](tk::TMessage& m) { WMEndSession(m); });
    forms::Load(*this, "tbmainf.dfm");
    Handle(); // a hidden window too must exist to hear the system's broadcasts
}

TfrmMain::~TfrmMain() {
    if (frmMain == this) frmMain = nullptr;
}

void TfrmMain::FormCreate(tk::TObject*) {}

void TfrmMain::FormClose(tk::TObject*, tk::TCloseAction&) {
    ExitCommand();
}

void TfrmMain::OpenCommand() {
    if (!MixControlWnd) tk::Application->CreateForm(MixControlWnd);
    MixControlWnd->Show();
}

namespace {

// Only a showing control window is closed, which saves it. One never shown in this run has not loaded
// the settings, and one the user closed saved them then and unchecked its boxes since: closing either
// again would write defaults or zeros over what the user stored.
void CloseShowingControlWindow() {
    if (MixControlWnd && MixControlWnd->Visible()) MixControlWnd->Close();
}

} // namespace

void TfrmMain::ExitCommand() {
    CloseShowingControlWindow();
    EndProgram();
}

void TfrmMain::ShowPopup() {
    m_popup = tk::Make<tk::TPopupMenu>();
    tk::TPopupMenu* menu = m_popup.get();
    auto add = [menu](const char* caption, tk::TNotifyEvent onClick) {
        auto* item = tk::New<tk::TMenuItem>(menu);
        item->SetCaption(caption);
        item->OnClick = std::move(onClick);
        menu->Items().Add(item);
    };
    add("Open", [this](tk::TObject*) { OpenCommand(); });
    add("-", nullptr);
    add("Exit", [this](tk::TObject*) { ExitCommand(); });
    menu->SetOwnerWindow(Handle());
    POINT p{};
    GetCursorPos(&p);
    menu->Popup(p.x, p.y);
}

void TfrmMain::UMTrayMouse(tk::TMessage& message) {
    switch (message.LParam) {
    case WM_LBUTTONDOWN:
        m_popup.reset();
        break;
    case WM_LBUTTONDBLCLK:
        OpenCommand();
        break;
    case WM_RBUTTONDOWN:
        if (m_popup)
            m_popup.reset();
        else
            ShowPopup();
        break;
    default:
        break;
    }
}

void TfrmMain::WMDeviceChange(tk::TMessage& message) {
    message.Result = TRUE; // a removal is never vetoed
    if (message.WParam != DBT_DEVICEQUERYREMOVE || !message.LParam) return;
    auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(message.LParam);
    if (header->dbch_devicetype != DBT_DEVTYP_DEVNODE) return;
    DWORD devnode = reinterpret_cast<const DEV_BROADCAST_DEVNODE*>(message.LParam)->dbcd_devnode;
    const TCardTable& cards = CardTable();
    for (int c = 0; c < cards.cardCount; ++c) {
        if (!cards.IsDevnodeOf(c, devnode)) continue;
        BYTE record[kConfigRecordSize]{};
        if (ConfigRequest(DriverLink(), CFG_GETCONFIG, record, sizeof record)) {
            std::int32_t released = -1;
            std::memcpy(record, &released, sizeof released);
            ConfigRequest(DriverLink(), CFG_SETCONFIG, record, sizeof record);
        }
        CloseShowingControlWindow();
        if (MixControlWnd) MixControlWnd->Free();
        EndProgram();
        return;
    }
}

void TfrmMain::WMQueryEndSession(tk::TMessage& message) {
    message.Result = TRUE;
}

void TfrmMain::WMEndSession(tk::TMessage& message) {
    if (message.WParam) {
        SetSessionEnding(); // a failing save may not wait for an answer now
        ExitCommand();
    }
    message.Result = 0;
}

} // namespace krvl
