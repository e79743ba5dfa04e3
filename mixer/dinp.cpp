#include "mixer/dinp.h"

#include "app/Formutil.h"
#include "toolkit/Buttons.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/ScrollBox.h"

namespace krvl {

namespace {

// The input connectors, as byte 0 of the routing record holds them.
constexpr int kXlr = 2;
constexpr int kCd = 3;
constexpr int kCinch = 4;
// Monitoring of a digital input goes to the Digital pair unless the driver says otherwise.
constexpr BYTE kDefaultMonitor = 3;

TMixerFrameData DigitalInputData() {
    TMixerFrameData d;
    d.layout = "dinp.dfm";
    d.stripWidth = 80;
    d.initialFixedHeight = 499;
    d.createWidth = 97;
    d.direction = Direction::In;
    d.pairs = {kDigitalPair};
    d.checksEdge = EdgeKept::Top;
    d.relabelMonitorPairs = true;
    d.scrolledWith = "pnInpSel";
    d.clones = {{"pnInpSel"}, {"pnMon"}, {"pnMeters"}, {"pnNumbers", CloneRules::Unchanged}};
    d.sections = {
        {"chkInpSel",
         "chkInpSelClick",
         {"pnInpheader", "UpperScroller"},
         "",
         {"pnMonHeader", "BottomScroller"},
         {"pnMeters", "pnMon"}},
        {"chkMonSel",
         "chkMonSelClick",
         {"pnMon", "pnMonHeader"},
         "pnMon",
         {"pnMeters", "pnNumbers"},
         {"pnMeters", "UpperScroller"}},
        {"chkPeakMeter",
         "chkPeakMeterClick",
         {"pnMeters"},
         "",
         {"pnNumbers"},
         {"pnMon", "UpperScroller"},
         true},
    };
    d.commandOrder = {"chkPeakMeter", "chkInpSel", "chkMonSel"};
    return d;
}

} // namespace

TfrmDigInp::TfrmDigInp(tk::TComponent* owner) : TMixerFrame(owner, DigitalInputData()) {
    BindMethod("btnInpRouteClick", [this](tk::TObject* s) { btnInpRouteClick(s); });
    BindMethod("btnMonRouteClick", [this](tk::TObject* s) { btnMonRouteClick(s); });
    BindMethod("WhenToMonClick", [this](tk::TObject* s) { WhenToMonClick(s); });
    LoadFrameLayout();
}

TMixerClassState& TfrmDigInp::ClassState() const {
    static TMixerClassState state;
    return state;
}

void TfrmDigInp::StripsCloned() {
    // Cards without the extended connectors offer optical and Cd only; Cd moves up under optical.
    int d = 2 * (ComponentByName<tk::TControl>("btnCd").Height() - 1);
    for (auto* panel : ChildrenOf<tk::TWinControl>(ComponentByName<tk::TWinControl>("pnInpSel"))) {
        if (CardExtended(panel->Tag())) continue;
        for (auto* b : ChildrenOf<tk::TSpeedButton>(*panel)) {
            if (b->Tag() == kXlr || b->Tag() == kCinch)
                b->Hide();
            else if (b->Tag() == kCd)
                b->SetTop(b->Top() - d);
        }
    }
    for (int card = 0; card < Cards(); ++card)
        if (CardExtended(card)) return;
    // No card has them: the input section is shorter by the two rows.
    auto shorter = [d](tk::TControl& c) { c.SetHeight(c.Height() - d); };
    auto higher = [d](tk::TControl& c) { c.SetTop(c.Top() - d); };
    shorter(ComponentByName<tk::TControl>("UpperScroller"));
    higher(ComponentByName<tk::TControl>("pnMonHeader"));
    higher(ComponentByName<tk::TControl>("BottomScroller"));
    shorter(*MainPanel());
    shorter(*this);
    ClassState().fixedHeight -= d;
}

void TfrmDigInp::CreateBlocks() {
    Metering().SetLevelBlock(&NewBlock(8, GMEM_ZEROINIT));
    m_routingBlock = &NewBlock(4, GMEM_MOVEABLE | GMEM_ZEROINIT);
}

bool TfrmDigInp::ReadDriverState() {
    TGuardClosed closed(*this);
    auto& monitors = ComponentByName<tk::TWinControl>("pnMon");
    for (auto* panel : ChildrenOf<tk::TWinControl>(monitors))
        m_routing.Read(panel->Tag(), *m_routingBlock, kDefaultMonitor);
    m_routing.ShowPanels(monitors);
    // The connectors come from a read of their own.
    for (auto* panel : ChildrenOf<tk::TWinControl>(ComponentByName<tk::TWinControl>("pnInpSel"))) {
        int card = panel->Tag();
        SendCtrl(m_routing.Handle(card), DRVM_IN_GET_ROUTING, m_routingBlock->Address());
        ShowRouting(*panel, Routing::Unpack(static_cast<DWORD>(m_routingBlock->Int(0))));
        RecolourRouting(*panel, m_routing.Record(card));
    }
    return true; // a routing read is not checked, so nothing here fails
}

void TfrmDigInp::btnInpRouteClick(tk::TObject* sender) {
    m_routing.Click(sender, &Routing::source, false, UpdateGuard());
}

void TfrmDigInp::btnMonRouteClick(tk::TObject* sender) {
    m_routing.Click(sender, &Routing::monitorPair, false, UpdateGuard());
}

void TfrmDigInp::WhenToMonClick(tk::TObject* sender) {
    m_routing.Click(sender, &Routing::monitorMode, true, UpdateGuard());
}

} // namespace krvl
