#include "app/startup.h"

#include "app/Formutil.h"
#include "app/Mixctrl.h"
#include "app/about.h"
#include "app/resources.h"
#include "app/tbmainf.h"
#include "driver/config.h"
#include "driver/msg.h"
#include "mixer/Mixers.h"
#include "settings/frmCfg.h"
#include "toolkit/Forms.h"

#include <cstring>

namespace krvl {

bool& ExitFlag() {
    static bool flag = false;
    return flag;
}

void EndProgram() {
    // A settings dialog or its Info box still running would otherwise keep its loop turning for good.
    tk::Screen->CancelModalForms();
    ExitFlag() = true;
}

NOTIFYICONDATAA& TrayRecord() {
    static NOTIFYICONDATAA record{};
    return record;
}

namespace {

void ReportStates(const std::int32_t (&states)[5]) {
    std::int32_t s = states[0];
    if (s == -27) {
        ShowDriverError(0, -27);
        return;
    }
    if (s == -17) return; // kernel module not loaded: the program ends without a word
    if (s != 1 && s != states[1]) ShowDriverError(0, s);
    for (int k = 1; k <= 4 && states[k] != 0; ++k)
        ShowDriverError(k, states[k]);
}

void FillTrayRecord() {
    NOTIFYICONDATAA& r = TrayRecord();
    r = NOTIFYICONDATAA{};
    r.cbSize = 88;
    r.hWnd = MixControlWnd ? MixControlWnd->Handle() : nullptr;
    r.uID = 0;
    r.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    r.uCallbackMessage = UM_TRAYICON;
    r.hIcon = MixerIcon();
    std::strncpy(r.szTip, "Einstellungen für Korvalin", sizeof r.szTip - 1);
}

} // namespace

void StartUp() {
    DriverLink() = 1;

    std::int32_t states[5] = {};
    if (!ConfigRequest(DriverLink(), CFG_GETSTATES, states, sizeof states)) {
        // No answer at all: the state is unknown, so say so rather than end without a word.
        MessageBoxA(nullptr, "Korvalin Treiber konnte nicht geöffnet werden.", "Fehler", MB_ICONERROR);
        return;
    }
    ReportStates(states);
    if (states[0] != 1) return;

    // An error while a window is created (a malformed device name, say) is reported and start-up goes
    // on, as the toolkit's form creation does.
    auto create = [](auto& reference) {
        try {
            tk::Application->CreateForm(reference);
        } catch (...) {
            tk::Application->HandleException(std::current_exception());
        }
    };
    create(frmMain);
    create(MixControlWnd);
    create(AboutBox);

    MixerIcon() = LoadIconA(GetModuleHandleA(nullptr), "MIXERICON");
    if (MixControlWnd) MixControlWnd->SetIcon(MixerIcon());
    FillTrayRecord();

    if (!ExitFlag() && Shell_NotifyIconA(NIM_ADD, &TrayRecord())) {
        while (!ExitFlag())
            tk::Application->HandleMessage();
        Shell_NotifyIconA(NIM_DELETE, &TrayRecord());
    }

    if (MixerIcon()) DestroyIcon(MixerIcon());
    MixerIcon() = nullptr;
}

void RegisterWindows() {
    RegisterSettingsDialog([](tk::TComponent* owner, BYTE* config, int card, int cardCount) -> tk::TForm* {
        return tk::New<TdlgCfg>(owner, config, card, cardCount);
    });
    RegisterMixerWindows();
}

int ProgramEntry() {
    RegisterResources();
    RegisterWindows();
    ExitFlag() = false;
    BeginSaveReports();
    tk::Application->Initialize();
    tk::Application->SetTitle("Korvalin Manager");
    StartUp();
    tk::Application->DestroyForms();
    return 0;
}

} // namespace krvl
