#include "mixer/Ainp.h"

#include "controls/audioctl32.h"
#include "driver/cards.h"
#include "toolkit/Buttons.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/StdCtrls.h"

namespace krvl {

namespace {

TMixerFrameData AnalogInputData() {
    TMixerFrameData d;
    d.layout = "Ainp.dfm";
    d.stripWidth = 160;
    d.initialFixedHeight = 663;
    d.direction = Direction::In;
    d.pairs = {0, 1};
    d.checksEdge = EdgeKept::Bottom;
    d.renameFaders = true;
    d.relabelMonitorPairs = true;
    d.scrolledWith = "pnInpSel";
    d.faderSection = "pnSliders";
    d.clones = {{"pnInpSel"}, {"pnMon"}, {"pnMeters"}, {"pnSliders"}, {"pnNumbers", CloneRules::Numbers}};
    // The selection's bands sit above the scroll box, which alignment moves; the other sections move
    // inside it.
    d.sections = {
        {"chkInpsel",
         "chkInpselClick",
         {"pnInpheader", "UpperScroller"},
         "",
         {"pnMonHeader", "BottomScroller"},
         {"pnMon", "pnMeters", "pnSliders"}},
        {"chkMonSel",
         "chkMonSelClick",
         {"pnMon", "pnMonHeader"},
         "pnMon",
         {"pnMeters", "pnSliders", "pnNumbers"},
         {"UpperScroller", "pnMeters", "pnSliders"}},
        {"chkPeakMeter",
         "chkPeakMeterClick",
         {"pnMeters"},
         "",
         {"pnSliders", "pnNumbers"},
         {"UpperScroller", "pnMon", "pnSliders"},
         true},
        {"chkGainSlider",
         "chkGainSliderClick",
         {"pnSliders"},
         "",
         {"pnNumbers"},
         {"UpperScroller", "pnMon", "pnMeters"}},
    };
    d.commandOrder = {"chkGainSlider", "chkMonSel", "chkInpsel", "chkPeakMeter"};
    return d;
}

WORD HighWord(std::int32_t v) {
    return static_cast<WORD>(static_cast<DWORD>(v) >> 16);
}

WORD LowWord(std::int32_t v) {
    return static_cast<WORD>(static_cast<DWORD>(v) & 0xFFFF);
}

} // namespace

TfrmAnalogInp::TfrmAnalogInp(tk::TComponent* owner) : TMixerFrame(owner, AnalogInputData()) {
    BindMethod("btnInpSelClick", [this](tk::TObject* s) { btnInpSelClick(s); });
    BindMethod("btnMonRouteClick", [this](tk::TObject* s) { btnMonRouteClick(s); });
    BindMethod("WhenToMonClick", [this](tk::TObject* s) { WhenToMonClick(s); });
    BindMethod("btnMuteClick", [this](tk::TObject* s) { btnMuteClick(s); });
    BindMethod("SliderChange", [this](tk::TObject* s) { SliderChange(s); });
    BindMethod("chkLinkClick", [this](tk::TObject* s) { chkLinkClick(s); });
    LoadFrameLayout();
}

TMixerClassState& TfrmAnalogInp::ClassState() const {
    static TMixerClassState state;
    return state;
}

void TfrmAnalogInp::CreateBlocks() {
    m_gainBlock = &NewBlock(4, GMEM_ZEROINIT);
    m_muteBlock = &NewBlock(4, GMEM_ZEROINIT);
    Metering().SetLevelBlock(&NewBlock(8, GMEM_ZEROINIT));
    m_routingBlock = &NewBlock(4, GMEM_MOVEABLE | GMEM_ZEROINIT);
}

// ================================================================== reads at show

bool TfrmAnalogInp::ReadDriverState() {
    if (!ReadMutes()) return false;
    ReadRouting();
    return true;
}

bool TfrmAnalogInp::ReadMutes() {
    auto& sliders = ComponentByName<tk::TWinControl>("pnSliders");
    m_muteBlock->SetInt(0, 0);
    for (int card = 0; card < Cards(); ++card)
        for (int pair = 0; pair < 2; ++pair) {
            if (!SendCtrl(InHandle(HandleIndex(card, pair)), DRVM_IN_GET_MUTE, m_muteBlock->Address()))
                return false;
            std::int32_t mutes = m_muteBlock->Int(0);
            for (auto* panel : ChildrenOf<tk::TWinControl>(sliders)) {
                if (panel->Tag() != card) continue;
                for (auto* b : ChildrenOf<tk::TSpeedButton>(*panel))
                    if (b->Tag() / 2 == pair)
                        b->SetDown((b->Tag() % 2 ? HighWord(mutes) : LowWord(mutes)) != 0);
            }
        }
    return true;
}

void TfrmAnalogInp::ReadRouting() {
    TGuardClosed closed(*this);
    for (int card = 0; card < Cards(); ++card)
        for (int pair = 0; pair < 2; ++pair)
            m_routing.Read(card * 2 + pair, *m_routingBlock,
                           static_cast<BYTE>(pair + 1)); // none reported: the pair's own
    for (const char* section : {"pnInpSel", "pnMon"})
        m_routing.ShowPanels(ComponentByName<tk::TWinControl>(section));
}

void TfrmAnalogInp::ReadFaders() {
    if (!CardTable().cardsFound) return;
    TGuardClosed closed(*this);
    for (int i = 0; i < ComponentCount(); ++i) {
        auto* fader = dynamic_cast<TSlider*>(Components(i));
        if (!fader || fader->Number() < 0 || fader->Number() >= Cards() * 4) continue;
        if (!SendCtrl(InHandle(fader->Number()), DRVM_IN_GET_GAIN, m_gainBlock->Address())) continue;
        std::int32_t gains = m_gainBlock->Int(0);
        WORD word = fader->Number() % 2 ? HighWord(gains) : LowWord(gains);
        fader->SetPosition(word >> 8);
    }
}

// ================================================================== routing buttons

void TfrmAnalogInp::btnInpSelClick(tk::TObject* sender) {
    m_routing.Click(sender, &Routing::source, false, UpdateGuard());
}

void TfrmAnalogInp::btnMonRouteClick(tk::TObject* sender) {
    m_routing.Click(sender, &Routing::monitorPair, true, true);
}

void TfrmAnalogInp::WhenToMonClick(tk::TObject* sender) {
    m_routing.Click(sender, &Routing::monitorMode, true, true);
}

// ================================================================== mutes and faders

void TfrmAnalogInp::btnMuteClick(tk::TObject* sender) {
    auto* clicked = dynamic_cast<tk::TSpeedButton*>(sender);
    if (!clicked || !clicked->Parent()) return;
    tk::TWinControl& panel = *clicked->Parent();
    DWORD mutes = 0;
    for (auto* b : ChildrenOf<tk::TSpeedButton>(panel)) {
        DWORD word = b->Down() ? 0xFFFF : 0;
        mutes = b->Tag() % 2 ? (mutes & 0x0000FFFF) | word << 16 : (mutes & 0xFFFF0000) | word;
    }
    SendCtrl(InHandle(HandleIndex(panel.Tag(), clicked->Tag() / 2)), DRVM_IN_SET_MUTE, mutes);
}

void TfrmAnalogInp::SliderChange(tk::TObject* sender) {
    auto* moved = dynamic_cast<TSlider*>(sender);
    if (!moved || !UpdateGuard() || !moved->Parent()) return;
    TGuardClosed closed(*this);
    auto faders = ChildrenOf<TSlider>(*moved->Parent());
    if (moved->LinkCheck() && moved->LinkCheck()->Checked())
        for (auto* f : faders)
            f->SetPosition(moved->Position());
    // Left fader in the low word, right fader in the high word.
    DWORD gains = 0;
    for (auto* f : faders)
        gains = gains >> 16 | (static_cast<DWORD>(f->Position() * 256) & 0xFFFF) << 16;
    SendCtrl(InHandle(moved->Number()), DRVM_IN_SET_GAIN, gains);
}

void TfrmAnalogInp::chkLinkClick(tk::TObject* sender) {
    auto* box = dynamic_cast<tk::TCustomCheckBox*>(sender);
    if (!box || !box->Checked() || !box->Parent()) return;
    auto faders = ChildrenOf<TSlider>(*box->Parent());
    if (faders.empty()) return;
    // Each move runs SliderChange, which sends the pair's gains.
    int position = faders.front()->Position();
    for (auto* f : faders)
        f->SetPosition(position);
}

} // namespace krvl
