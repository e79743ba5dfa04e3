#include "app/Mixctrl.h"

#include "app/Formutil.h"
#include "app/messages.h"
#include "app/resources.h"
#include "app/startup.h"
#include "controls/Class_b.h"
#include "driver/ctrl.h"
#include "forms/Layouts.h"
#include "toolkit/ExtCtrls.h"

namespace krvl {

TMixControlWnd* MixControlWnd = nullptr;

namespace {

constexpr int kFixedWidth = 167;
constexpr int kFixedHeight = 159;

struct Registry {
    std::array<MixerFactory, 4> mixers;
    SettingsFactory settings;
};

Registry& Factories() {
    static Registry registry;
    return registry;
}

} // namespace

void RegisterMixerWindow(MixerKind kind, MixerFactory factory) {
    Factories().mixers[static_cast<int>(kind)] = std::move(factory);
}

void RegisterSettingsDialog(SettingsFactory factory) {
    Factories().settings = std::move(factory);
}

TMixControlWnd::TMixControlWnd(tk::TComponent* owner) : tk::TForm(owner) {
    BindMethod("FormCreate", [this](tk::TObject* s) { FormCreate(s); });
    BindMethod("FormShow", [this](tk::TObject* s) { FormShow(s); });
    BindCloseMethod("FormClose", [this](tk::TObject* s, tk::TCloseAction& a) { FormClose(s, a); });
    BindMethod("chkMixerClick", [this](tk::TObject* s) { chkMixerClick(s); });
    BindMethod("chkSettingsClick", [this](tk::TObject* s) { chkSettingsClick(s); });
    BindMethod("chkStayOnTopClick", [this](tk::TObject* s) { chkStayOnTopClick(s); });
    SetMessageHandler(UM_TRAYICON, [this](tk::TMessage& m) { UMTrayIcon(m); });
    SetMessageHandler(UM_MIXERCLOSED, [this](tk::TMessage& m) { UMMixerClosed(m); });
    SetMessageHandler(WM_GETMINMAXINFO, [this](tk::TMessage& m) { WMGetMinMaxInfo(m); });
    forms::Load(*this, "Mixctrl.dfm");

    chkAnalogInputs = &ComponentByName<controls::TExtCheckBox>("chkAnalogInputs");
    chkDigitalInputs = &ComponentByName<controls::TExtCheckBox>("chkDigitalInputs");
    chkAnalogOutputs = &ComponentByName<controls::TExtCheckBox>("chkAnalogOutputs");
    chkDigitalOutputs = &ComponentByName<controls::TExtCheckBox>("chkDigitalOutputs");
    chkSettings = &ComponentByName<controls::TExtCheckBox>("chkSettings");
    chkStayOnTop = &ComponentByName<controls::TExtCheckBox>("chkStayOnTop");
    m_slots = {Slot{chkAnalogInputs}, Slot{chkDigitalInputs}, Slot{chkAnalogOutputs},
               Slot{chkDigitalOutputs}};
    SetControlWindowLink({Handle(), [this](int card) { return Extended(card); },
                          [this](tk::TObject* s) { FormActiveChanged(s); }});
}

TMixControlWnd::~TMixControlWnd() {
    if (MixControlWnd == this) MixControlWnd = nullptr;
    SetControlWindowLink({});
    tk::Application->OnActivate = nullptr;
    tk::Application->OnDeactivate = nullptr;
}

void TMixControlWnd::FormCreate(tk::TObject*) {
    MixControlWnd = this;
    // A discovery error (a malformed device name) is reported and ends creation here, but the window
    // stays: the tray icon still reaches it. Thrown on, it would destroy the half-made window.
    try {
        DiscoverCards();
    } catch (...) {
        tk::Application->HandleException(std::current_exception());
        return;
    }
    SetCaption("Korvalin");
    SetIcon(MixerIcon());
    if (CardTable().cardsFound) {
        ReadExtendedFlags();
    } else {
        MessageBoxA(Handle(), "Korvalin Treiber konnte nicht geöffnet werden.", "Fehler", MB_ICONERROR);
        ExitFlag() = true;
    }
    tk::Application->OnActivate = [this](tk::TObject* s) { FormActiveChanged(s); };
    tk::Application->OnDeactivate = [this](tk::TObject* s) { FormActiveChanged(s); };
}

void TMixControlWnd::ReadExtendedFlags() {
    SharedBlock block(4);
    if (!block) return;
    for (int card = 0; card < CardTable().cardCount; ++card) {
        CtrlHandle<HWAVEOUT> handle;
        try {
            OpenCtrlOut(nullptr, card * kPairsPerCard + PairOffset(kDigitalPair), handle.Ref());
        } catch (const tk::EAbort&) {
            // A card whose digital device cannot be opened counts as one without the extended
            // connectors; the control window is the only way to the mixers and must still come up.
            m_extended[card] = false;
            continue;
        }
        SendCtrl(handle.Get(), DRVM_OUT_GET_DIGITAL_STATUS, block.Address());
        m_extended[card] = (block.Int(0) & 2) != 0;
    }
}

void TMixControlWnd::FormShow(tk::TObject*) {
    if (CardTable().cardsFound) LoadWindowSettings(*this, kSettingsFile, "", true, -1);
}

void TMixControlWnd::FormClose(tk::TObject*, tk::TCloseAction&) {
    // Save first, so the file lists the windows that were open.
    if (CardTable().cardsFound) SaveWindowSettings(*this, kSettingsFile, "", true, -1);
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* box = dynamic_cast<tk::TCheckBox*>(Components(i))) box->SetChecked(false);
}

TMixControlWnd::Slot* TMixControlWnd::SlotOf(tk::TObject* box) {
    for (auto& slot : m_slots)
        if (slot.box == box) return &slot;
    return nullptr;
}

void TMixControlWnd::chkMixerClick(tk::TObject* sender) {
    Slot* slot = SlotOf(sender);
    if (!slot) return;
    const MixerFactory& factory = Factories().mixers[static_cast<std::size_t>(slot - m_slots.data())];
    if (!slot->box->Checked()) {
        CloseAndDestroy(slot->window);
    } else if (!slot->window) {
        try {
            if (!factory) {
                slot->box->SetChecked(false); // no such window yet
            } else {
                slot->window = factory(this);
                auto* mixer = dynamic_cast<IMixerWindow*>(slot->window);
                if (mixer && mixer->Usable())
                    slot->window->Show();
                else
                    slot->box->SetChecked(false);
            }
        } catch (const tk::EAbort&) {
            slot->box->SetChecked(false);
        } catch (...) {
            slot->box->SetChecked(false);
            throw;
        }
    }
    tk::Application->ProcessMessages();
}

void TMixControlWnd::chkSettingsClick(tk::TObject*) {
    tk::TCheckBox* mixers[] = {chkAnalogInputs, chkDigitalInputs, chkAnalogOutputs, chkDigitalOutputs};
    if (chkSettings->Checked() && !m_settings) {
        if (!Factories().settings) return;
        if (!ConfigRequest(DriverLink(), CFG_GETCONFIG, m_config.data(), kConfigRecordSize)) return;
        m_settings = Factories().settings(this, m_config.data(), 0, CardTable().cardCount);
        for (auto* box : mixers)
            box->SetChecked(false);
        for (auto* box : mixers)
            box->SetEnabled(false);
        m_settings->Show();
    } else if (!chkSettings->Checked() && m_settings) {
        CloseAndDestroy(m_settings);
        for (auto* box : mixers)
            box->SetEnabled(true);
    }
}

void TMixControlWnd::chkStayOnTopClick(tk::TObject*) {
    bool on = chkStayOnTop->Checked();
    SetStayOnTop(*this, on);
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* form = dynamic_cast<tk::TForm*>(Components(i))) SetStayOnTop(*form, on);
}

void TMixControlWnd::FormActiveChanged(tk::TObject*) {
    if (MixControlWnd) MixControlWnd->chkStayOnTopClick(MixControlWnd->chkStayOnTop);
}

void TMixControlWnd::UMTrayIcon(tk::TMessage& message) {
    if (message.LParam != WM_LBUTTONDBLCLK) return;
    SetWindowState(tk::wsNormal);
    Show();
}

void TMixControlWnd::UMMixerClosed(tk::TMessage& message) {
    if (!message.LParam) return;
    auto* closed = reinterpret_cast<tk::TForm*>(message.LParam);
    for (auto& slot : m_slots)
        if (slot.window && slot.window == closed) {
            slot.box->SetChecked(false);
            return;
        }
    if (m_settings && m_settings == closed) chkSettings->SetChecked(false);
}

void TMixControlWnd::WMGetMinMaxInfo(tk::TMessage& message) {
    auto* info = reinterpret_cast<MINMAXINFO*>(message.LParam);
    if (info) {
        info->ptMaxSize = {kFixedWidth, kFixedHeight};
        info->ptMaxPosition = {0, 0};
        info->ptMinTrackSize = {kFixedWidth, kFixedHeight};
        info->ptMaxTrackSize = {kFixedWidth, kFixedHeight};
    }
    message.Result = 0;
}

} // namespace krvl
