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
    d.faders = {DRVM_IN_GET_GAIN, DRVM_IN_SET_GAIN, DRVM_IN_GET_MUTE, DRVM_IN_SET_MUTE, 256};
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

} // namespace

TfrmAnalogInp::TfrmAnalogInp(tk::TComponent* owner) : TMixerFrame(owner, AnalogInputData()) {
    BindMethod("btnInpSelClick", [this](tk::TObject* s) { btnInpSelClick(s); });
    BindMethod("btnMonRouteClick", [this](tk::TObject* s) { btnMonRouteClick(s); });
    BindMethod("WhenToMonClick", [this](tk::TObject* s) { WhenToMonClick(s); });
    LoadFrameLayout();
}

TMixerClassState& TfrmAnalogInp::ClassState() const {
    static TMixerClassState state;
    return state;
}

void TfrmAnalogInp::CreateBlocks() {
    SharedBlock& gains = NewBlock(4, GMEM_ZEROINIT);
    UseFaderBlocks(gains, NewBlock(4, GMEM_ZEROINIT));
    Metering().SetLevelBlock(&NewBlock(8, GMEM_ZEROINIT));
    m_routingBlock = &NewBlock(4, GMEM_MOVEABLE | GMEM_ZEROINIT);
}

// ================================================================== reads at show

bool TfrmAnalogInp::ReadDriverState() {
    if (!ReadMutes()) return false;
    ReadRouting();
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

} // namespace krvl
