#include "settings/frmCfg.h"

#include "app/Formutil.h"
#include "app/about.h"
#include "app/messages.h"
#include "controls/Class_b.h"
#include "driver/cards.h"
#include "forms/Layouts.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/StdCtrls.h"

#include <charconv>
#include <cstring>
#include <string>

namespace krvl {

namespace {

constexpr int kMinRate = 11025;
constexpr int kMaxRate = 96000;
constexpr char kBackspace = 8;

// Sub-panel tags of a pair panel: what its radio buttons set.
constexpr int kSubClock = 0;
constexpr int kSubRecStartStop = 1;
constexpr int kSubPlayStartStop = 2;

const char* const kScaleLabels[] = {"lb1ms",  "lb10ms", "lb20ms", "lb30ms", "lb40ms", "lb50ms",
                                    "lb60ms", "lb70ms", "lb80ms", "lb90ms", "lb100ms"};

// The channel pair a pair-panel radio button stands for: the tag of its grandparent.
int PairOf(tk::TObject* sender) {
    auto* button = dynamic_cast<tk::TControl*>(sender);
    tk::TControl* pairPanel = button && button->Parent() ? button->Parent()->Parent() : nullptr;
    if (!pairPanel) throw tk::Exception("TdlgCfg: radio button outside a pair panel.");
    return pairPanel->Tag();
}

int TagOf(tk::TObject* sender) {
    auto* component = dynamic_cast<tk::TComponent*>(sender);
    return component ? component->Tag() : 0;
}

// Selects index when the list has it; a value from the driver may point anywhere.
void SelectIfPresent(tk::TComboBox& box, long long index) {
    if (index >= 0 && index < box.Items().Count()) box.SetItemIndex(static_cast<int>(index));
}

} // namespace

// ================================================================== TCardConfig

void TCardConfig::Assign(const BYTE* slice) {
    std::memcpy(m_bytes.data(), slice, m_bytes.size());
}

void TCardConfig::Check(DWORD offset) {
    if (offset > kConfigSliceSize - 4)
        throw tk::Exception("TCardConfig: offset " + std::to_string(offset) + " outside the card slice.");
}

std::int32_t TCardConfig::Int(DWORD offset) const {
    Check(offset);
    const BYTE* p = m_bytes.data() + offset;
    return static_cast<std::int32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}

void TCardConfig::SetInt(DWORD offset, std::int32_t value) {
    Check(offset);
    auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        m_bytes[offset + static_cast<DWORD>(i)] = static_cast<BYTE>(v >> (8 * i));
}

// ================================================================== construction

TdlgCfg::TdlgCfg(tk::TComponent* owner, BYTE* config, int cardIndex, int cardCount) : tk::TForm(owner) {
    // The slice is taken at cardIndex × 200 of an 800-byte record: nothing outside it may be reached.
    if (!config || cardCount < 1 || cardCount > kMaxCards || cardIndex < 0 || cardIndex >= cardCount)
        throw tk::Exception("TdlgCfg: Invalid card index.");
    BindHandlers();
    forms::Load(*this, "frmCfg.dfm");
    FetchControls();

    m_cardCount = cardCount;
    m_cardIndex = cardIndex;
    m_cardConfig.Assign(config + static_cast<std::size_t>(cardIndex) * kConfigSliceSize);
    m_image = config;
    m_applyOnClose = false;

    SetCaption("Korvalin Einstellungen Karte #" + std::to_string(cardIndex + 1));
    tabClock->SetCaption("Synchronisation");
    tabMisc->SetCaption("Sonstiges/Info");
    if (cardIndex + 1 == cardCount) btnNext->SetEnabled(false);
    LoadControls();
}

void TdlgCfg::BindHandlers() {
    auto bind = [this](const char* name, void (TdlgCfg::*method)(tk::TObject*)) {
        BindMethod(name, [this, method](tk::TObject* s) { (this->*method)(s); });
    };
    bind("FormShow", &TdlgCfg::FormShow);
    BindCloseMethod("FormClose", [this](tk::TObject* s, tk::TCloseAction& a) { FormClose(s, a); });
    bind("btnApplyClick", &TdlgCfg::btnApplyClick);
    bind("btnOkClick", &TdlgCfg::btnOkClick);
    bind("btnCancelClick", &TdlgCfg::btnCancelClick);
    bind("btnNextClick", &TdlgCfg::btnNextClick);
    bind("btnInfoClick", &TdlgCfg::btnInfoClick);
    BindKeyPressMethod("edDefaultRateKeyPress",
                       [this](tk::TObject* s, char& key) { edDefaultRateKeyPress(s, key); });
    bind("edDefaultRateChange", &TdlgCfg::edDefaultRateChange);
    bind("edDefaultRateExit", &TdlgCfg::edDefaultRateExit);
    bind("chkMasterClick", &TdlgCfg::chkMasterClick);
    bind("chkZadeRarClockClick", &TdlgCfg::chkZadeRarClockClick);
    bind("SyncToWc", &TdlgCfg::SyncToWc);
    bind("btnDevClock_Click", &TdlgCfg::btnDevClock_Click);
    bind("StartStopRecClick", &TdlgCfg::StartStopRecClick);
    bind("StartStopPlayClick", &TdlgCfg::StartStopPlayClick);
    bind("btnAutoLatencyClick", &TdlgCfg::btnAutoLatencyClick);
    bind("btnManLatencyClick", &TdlgCfg::btnManLatencyClick);
    bind("barLatencyChange", &TdlgCfg::barLatencyChange);
    bind("chkWriteIsPlayCursorClick", &TdlgCfg::chkWriteIsPlayCursorClick);
    bind("chkRestrictedClick", &TdlgCfg::chkRestrictedClick);
    bind("boxRestrictedRateChange", &TdlgCfg::boxRestrictedRateChange);
    bind("boxRestrictedResChange", &TdlgCfg::boxRestrictedResChange);
    bind("chkRestrictedDevClick", &TdlgCfg::chkRestrictedDevClick);
    bind("boxDevicesChange", &TdlgCfg::boxDevicesChange);
    bind("chkNoMsgRateClick", &TdlgCfg::chkNoMsgRateClick);
    bind("chkNoMsgDevConflictClick", &TdlgCfg::chkNoMsgDevConflictClick);
}

void TdlgCfg::FetchControls() {
    auto get = [this]<class T>(T*& member, const char* name) { member = &ComponentByName<T>(name); };
    get(pgMain, "pgMain");
    get(tabClock, "tabClock");
    get(tabDsnd, "tabDsnd");
    get(tabMisc, "tabMisc");
    get(btnNext, "btnNext");
    get(btnCancel, "btnCancel");
    get(btnApply, "btnApply");
    get(btnOk, "btnOk");
    get(grpClock, "grpClock");
    get(pnZadeRar, "pnZadeRar");
    get(chkMaster, "chkMaster");
    get(chkZadeRarClock_Internal, "chkZadeRarClock_Internal");
    get(chkZadeRarClock_DINP, "chkZadeRarClock_DINP");
    get(Panel13, "Panel13");
    get(lbDefaultRate, "lbDefaultRate");
    get(edDefaultRate, "edDefaultRate");
    get(lbDefaultRateHz, "lbDefaultRateHz");
    get(chkSyncToWc, "chkSyncToWc");
    get(pnAna1, "pnAna1");
    get(pnAna2, "pnAna2");
    get(pnDig, "pnDig");
    get(btnInternal1, "btnInternal1");
    get(btnInternal2, "btnInternal2");
    get(btnInternal3, "btnInternal3");
    get(grpDsnd, "grpDsnd");
    get(Panel11, "Panel11");
    get(btnAutoLatency, "btnAutoLatency");
    get(btnManLatency, "btnManLatency");
    get(lbMs, "lbMs");
    get(lbMsLabel, "lbMsLabel");
    get(barLatency, "barLatency");
    for (std::size_t i = 0; i < scaleLabels.size(); ++i)
        get(scaleLabels[i], kScaleLabels[i]);
    get(chkWriteIsPlayCursor, "chkWriteIsPlayCursor");
    get(chkRestricted, "chkRestricted");
    get(boxRestrictedRes, "boxRestrictedRes");
    get(boxRestrictedRate, "boxRestrictedRate");
    get(lbstereo, "lbstereo");
    get(chkRestrictedDev, "chkRestrictedDev");
    get(boxDevices, "boxDevices");
    get(grpGsif, "grpGsif");
    get(Panel1, "Panel1");
    get(tckKerning, "tckKerning");
    get(tckPreload, "tckPreload");
    get(ExtGroupBox2, "ExtGroupBox2");
    get(Panel16, "Panel16");
    get(chkNoMsgRate, "chkNoMsgRate");
    get(chkNoMsgDevConflict, "chkNoMsgDevConflict");
    get(btnInfo, "btnInfo");
}

// Setting a box or radio button runs its click handler, which stores the value back and marks the
// dialog changed; the last step marks it unchanged again.
void TdlgCfg::LoadControls() {
    const TCardConfig& cfg = m_cardConfig;
    chkNoMsgRate->SetChecked(cfg.Int(kCfgRateConflictMessages) == 0);
    chkNoMsgDevConflict->SetChecked(cfg.Int(kCfgDeviceConflictMessages) == 0);

    chkMaster->SetChecked(cfg.Flag(kCfgMaster));
    chkZadeRarClock_Internal->SetChecked(cfg.Int(kCfgMasterClock) == 0);
    chkZadeRarClock_DINP->SetChecked(cfg.Int(kCfgMasterClock) == 1);
    for (tk::TPanel* pairPanel : {pnAna1, pnAna2, pnDig})
        LoadPairButtons(*pairPanel);
    chkSyncToWc->SetChecked(cfg.Flag(kCfgWordClockSync));
    chkSyncToWc->SetVisible(CardExtended(m_cardIndex));
    edDefaultRate->SetText(std::to_string(static_cast<std::uint32_t>(cfg.Int(kCfgDefaultRate))));
    bool rateEnabled = !chkSyncToWc->Checked();
    lbDefaultRate->SetEnabled(rateEnabled);
    edDefaultRate->SetEnabled(rateEnabled);
    lbDefaultRateHz->SetEnabled(rateEnabled);

    chkWriteIsPlayCursor->SetChecked(cfg.Flag(kCfgWriteEqualsPlay));
    if (cfg.Int(kCfgDirectSoundLatency) != 0) {
        barLatency->SetPosition(cfg.Int(kCfgDirectSoundLatency));
        btnManLatency->SetChecked(true);
    } else {
        btnAutoLatency->SetChecked(true);
    }
    lbMs->SetCaption(std::to_string(barLatency->Position()));

    if (cfg.Int(kCfgRestrictRate) != 0) {
        chkRestricted->SetChecked(true);
        boxRestrictedRate->SetEnabled(true);
        boxRestrictedRes->SetEnabled(true);
        lbstereo->SetEnabled(true);
        switch (cfg.Int(kCfgRestrictRate)) {
        case 22050:
            boxRestrictedRate->SetItemIndex(0);
            break;
        case 44100:
            boxRestrictedRate->SetItemIndex(1);
            break;
        case 48000:
            boxRestrictedRate->SetItemIndex(2);
            break;
        default:
            break;
        }
        if (cfg.Int(kCfgRestrictResolution) == 1) boxRestrictedRes->SetItemIndex(0);
        if (cfg.Int(kCfgRestrictResolution) == 2) boxRestrictedRes->SetItemIndex(1);
    } else {
        chkRestricted->SetChecked(false);
        boxRestrictedRate->SetEnabled(false);
        boxRestrictedRes->SetEnabled(false);
        lbstereo->SetEnabled(false);
        boxRestrictedRate->SetItemIndex(1);
        boxRestrictedRes->SetItemIndex(1);
    }

    SelectIfPresent(*boxDevices, static_cast<long long>(cfg.Int(kCfgAvailableDevice)) + 1);
    if (cfg.Flag(kCfgRestrictDevices)) {
        chkRestrictedDev->SetChecked(true);
        boxDevices->SetEnabled(true);
    } else {
        boxDevices->SetEnabled(false);
    }
    boxDevices->Items().SetStrings(0, "Kein Gerät verfügbar");

    chkNoMsgRate->SetChecked(cfg.Int(kCfgRateConflictMessages) == 0);
    btnApply->SetEnabled(false);
}

void TdlgCfg::LoadPairButtons(tk::TPanel& pairPanel) {
    int pair = pairPanel.Tag();
    for (int i = 0; i < pairPanel.ControlCount(); ++i) {
        auto* sub = dynamic_cast<tk::TPanel*>(pairPanel.Controls(i));
        if (!sub) continue;
        for (int j = 0; j < sub->ControlCount(); ++j) {
            auto* button = dynamic_cast<tk::TRadioButton*>(sub->Controls(j));
            if (!button) continue;
            bool first = button->Tag() == 0;
            switch (sub->Tag()) {
            case kSubClock:
                button->SetChecked(m_cardConfig.Int(CfgPlayClock(pair)) == button->Tag());
                break;
            case kSubRecStartStop:
                button->SetChecked((m_cardConfig.Int(CfgRecStartStop(pair)) == 0) == first);
                break;
            case kSubPlayStartStop:
                button->SetChecked((m_cardConfig.Int(CfgPlayStartStop(pair)) == 0) == first);
                break;
            default:
                break;
            }
        }
    }
}

void TdlgCfg::Changed() {
    btnApply->SetEnabled(true);
}

// ================================================================== apply and close

bool TdlgCfg::Apply() {
    edDefaultRateExit(edDefaultRate); // a rate still being typed is validated and stored too
    if (m_rateInvalid) return false;
    if (!btnApply->Enabled()) return true;
    return WriteConfig(Handle(), m_image, m_cardIndex, m_cardConfig.Data());
}

void TdlgCfg::btnApplyClick(tk::TObject*) {
    if (Apply()) btnApply->SetEnabled(false);
}

void TdlgCfg::btnOkClick(tk::TObject*) {
    m_applyOnClose = true;
    Close();
}

void TdlgCfg::btnCancelClick(tk::TObject*) {
    Close();
}

void TdlgCfg::FormClose(tk::TObject*, tk::TCloseAction& action) {
    bool ok = true;
    if (m_applyOnClose) {
        ok = Apply();
        m_applyOnClose = false;
    }
    if (!ok) {
        action = tk::caNone; // stays open with the message or the marked rate
        return;
    }
    if (HWND control = ControlWindowHandle())
        PostMessageA(control, UM_MIXERCLOSED, 0, reinterpret_cast<LPARAM>(this));
}

void TdlgCfg::FormShow(tk::TObject*) {
    // Replacing item 0 at construction may have cleared the selection.
    SelectIfPresent(*boxDevices, static_cast<long long>(m_cardConfig.Int(kCfgAvailableDevice)) + 1);
}

void TdlgCfg::btnNextClick(tk::TObject*) {
    auto* next = tk::New<TdlgCfg>(this, m_image, m_cardIndex + 1, m_cardCount);
    tk::TTracker nextAlive(next);
    next->SetPosition(tk::poDesigned);
    next->SetBounds(Left() + 24, Top() + 24, next->Width(), next->Height());
    next->ShowModal();
    // This dialog may have gone meanwhile (the program ended), and its next one with it.
    if (nextAlive) next->Free();
}

void TdlgCfg::btnInfoClick(tk::TObject*) {
    if (AboutBox) AboutBox->ShowModal();
}

// ================================================================== clock page

void TdlgCfg::edDefaultRateKeyPress(tk::TObject*, char& key) {
    if (!(key >= '0' && key <= '9') && key != kBackspace) key = 0;
}

void TdlgCfg::edDefaultRateChange(tk::TObject*) {
    edDefaultRate->SetColor(tk::clWindow);
    m_rateInvalid = false;
}

void TdlgCfg::edDefaultRateExit(tk::TObject*) {
    const std::string text = edDefaultRate->Text();
    int rate = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rate);
    bool valid = !text.empty() && error == std::errc() && end == text.data() + text.size() &&
                 rate >= kMinRate && rate <= kMaxRate;
    if (!valid) {
        MessageBeep(0);
        m_rateInvalid = true;
        edDefaultRate->SetColor(tk::clRed);
        // From another page the field would take the focus unseen.
        if (!edDefaultRate->Showing()) pgMain->SetActivePage(tabClock);
        if (edDefaultRate->CanFocus()) edDefaultRate->SetFocus();
        return;
    }
    // Only a different rate counts as a change: Apply runs this handler first, and an unchanged dialog
    // must not send anything.
    if (rate != m_cardConfig.Int(kCfgDefaultRate)) Changed();
    m_cardConfig.SetInt(kCfgDefaultRate, rate);
}

void TdlgCfg::chkMasterClick(tk::TObject*) {
    Changed();
    bool master = chkMaster->Checked();
    m_cardConfig.SetFlag(kCfgMaster, master);
    chkZadeRarClock_Internal->SetEnabled(master);
    chkZadeRarClock_DINP->SetEnabled(master);
}

void TdlgCfg::chkZadeRarClockClick(tk::TObject*) {
    Changed();
    if (chkZadeRarClock_Internal->Checked())
        m_cardConfig.SetInt(kCfgMasterClock, 0);
    else if (chkZadeRarClock_DINP->Checked())
        m_cardConfig.SetInt(kCfgMasterClock, 1);
}

void TdlgCfg::SyncToWc(tk::TObject*) {
    bool sync = chkSyncToWc->Checked();
    m_cardConfig.SetFlag(kCfgWordClockSync, sync);
    lbDefaultRate->SetEnabled(!sync);
    edDefaultRate->SetEnabled(!sync);
    lbDefaultRateHz->SetEnabled(!sync);
    for (auto* button : {btnInternal1, btnInternal2, btnInternal3})
        button->SetCaption(sync ? "Intern (Word Clock)" : "Intern");
    Changed();
}

void TdlgCfg::btnDevClock_Click(tk::TObject* sender) {
    int pair = PairOf(sender);
    int clock = TagOf(sender);
    m_cardConfig.SetInt(CfgPlayClock(pair), clock);
    // The digital pair's record clock is not the dialog's to set.
    if (pair != kDigitalPair) m_cardConfig.SetInt(CfgRecClock(pair), clock);
    Changed();
}

void TdlgCfg::StartStopRecClick(tk::TObject* sender) {
    m_cardConfig.SetFlag(CfgRecStartStop(PairOf(sender)), TagOf(sender) != 0);
    Changed();
}

void TdlgCfg::StartStopPlayClick(tk::TObject* sender) {
    m_cardConfig.SetFlag(CfgPlayStartStop(PairOf(sender)), TagOf(sender) != 0);
    Changed();
}

// ================================================================== DirectSound page

void TdlgCfg::btnAutoLatencyClick(tk::TObject*) {
    Changed();
    if (!btnAutoLatency->Checked()) return;
    m_cardConfig.SetInt(kCfgDirectSoundLatency, 0);
    lbMs->SetEnabled(false);
    lbMsLabel->SetEnabled(false);
    for (auto* label : scaleLabels)
        label->SetEnabled(false);
    barLatency->SetEnabled(false);
}

void TdlgCfg::btnManLatencyClick(tk::TObject*) {
    Changed();
    if (!btnManLatency->Checked()) return;
    lbMs->SetEnabled(true);
    lbMsLabel->SetEnabled(true);
    for (auto* label : scaleLabels)
        label->SetEnabled(true);
    barLatency->SetEnabled(true);
    m_cardConfig.SetInt(kCfgDirectSoundLatency, barLatency->Position());
}

// Also the change handler of the two GigaSampler bars, which have no field of their own.
void TdlgCfg::barLatencyChange(tk::TObject*) {
    Changed();
    // With automatic latency chosen, moving a bar must not turn it into a manual one.
    if (btnManLatency->Checked()) m_cardConfig.SetInt(kCfgDirectSoundLatency, barLatency->Position());
    lbMs->SetCaption(std::to_string(barLatency->Position()));
}

void TdlgCfg::chkWriteIsPlayCursorClick(tk::TObject*) {
    Changed();
    m_cardConfig.SetFlag(kCfgWriteEqualsPlay, chkWriteIsPlayCursor->Checked());
}

void TdlgCfg::UpdateRestrictedRate() {
    static constexpr std::int32_t kRates[] = {22050, 44100, 48000};
    if (!chkRestricted->Checked()) {
        m_cardConfig.SetInt(kCfgRestrictRate, 0);
        return;
    }
    int index = boxRestrictedRate->ItemIndex();
    if (index >= 0 && index < 3) m_cardConfig.SetInt(kCfgRestrictRate, kRates[index]);
}

void TdlgCfg::UpdateRestrictedRes() {
    if (!chkRestricted->Checked()) {
        m_cardConfig.SetInt(kCfgRestrictResolution, 0);
        return;
    }
    int index = boxRestrictedRes->ItemIndex();
    if (index >= 0 && index < 2) m_cardConfig.SetInt(kCfgRestrictResolution, index + 1); // 1 8 bit, 2 16 bit
}

void TdlgCfg::chkRestrictedClick(tk::TObject*) {
    Changed();
    bool restricted = chkRestricted->Checked();
    boxRestrictedRate->SetEnabled(restricted);
    boxRestrictedRes->SetEnabled(restricted);
    lbstereo->SetEnabled(restricted);
    UpdateRestrictedRate();
    UpdateRestrictedRes();
}

void TdlgCfg::boxRestrictedRateChange(tk::TObject*) {
    Changed();
    UpdateRestrictedRate();
}

void TdlgCfg::boxRestrictedResChange(tk::TObject*) {
    Changed();
    UpdateRestrictedRes();
}

void TdlgCfg::chkRestrictedDevClick(tk::TObject*) {
    Changed();
    bool restrict = chkRestrictedDev->Checked();
    boxDevices->SetEnabled(restrict);
    m_cardConfig.SetFlag(kCfgRestrictDevices, restrict); // the device chosen stays when unchecked
}

void TdlgCfg::boxDevicesChange(tk::TObject*) {
    Changed();
    if (boxDevices->ItemIndex() >= 0) m_cardConfig.SetInt(kCfgAvailableDevice, boxDevices->ItemIndex() - 1);
}

// ================================================================== messages page

void TdlgCfg::chkNoMsgRateClick(tk::TObject*) {
    Changed();
    m_cardConfig.SetFlag(kCfgRateConflictMessages, !chkNoMsgRate->Checked());
}

void TdlgCfg::chkNoMsgDevConflictClick(tk::TObject*) {
    Changed();
    m_cardConfig.SetFlag(kCfgDeviceConflictMessages, !chkNoMsgDevConflict->Checked());
}

} // namespace krvl
