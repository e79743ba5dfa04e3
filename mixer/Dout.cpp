#include "mixer/Dout.h"

#include "app/messages.h"
#include "mixer/Routing.h"
#include "toolkit/Buttons.h"

namespace krvl {

namespace {

TMixerFrameData DigitalOutputData() {
    TMixerFrameData d;
    d.layout = "Dout.dfm";
    d.stripWidth = 80;
    d.initialFixedHeight = 483;
    d.createWidth = 97;
    d.direction = Direction::Out;
    d.pairs = {kDigitalPair};
    d.callbackWindow = true;
    d.checksEdge = EdgeKept::Top;
    d.metersByTag = true;
    d.mainPanel = "pnGround";
    d.scrolledWith = "pnFormat";
    d.secTimer = "SecTimer";
    // The format strip is not widened: it only scrolls along with the strips below.
    d.clones = {{"pnPlaybackSel"},
                {"pnMeters"},
                {"pnNumbers", CloneRules::Unchanged},
                {"pnFormat", CloneRules::Strip, false}};
    d.sections = {
        {"chkFormat",
         "chkFormatClick",
         {"pnFormatHeader", "UpperScroller"},
         "",
         {"pnMonHeader", "BottomScroller"},
         {"pnPlaybackSel", "pnMeters"}},
        {"chkPlaybackSel",
         "chkPlaybackSelClick",
         {"pnPlaybackSel", "pnMonHeader"},
         "pnPlaybackSel",
         {"pnMeters", "pnNumbers"},
         {"UpperScroller", "pnMeters"}},
        {"chkPeakMeter",
         "chkPeakMeterClick",
         {"pnMeters"},
         "",
         {"pnNumbers"},
         {"UpperScroller", "pnPlaybackSel"},
         true},
    };
    d.commandOrder = {"chkFormat", "chkPlaybackSel", "chkPeakMeter"};
    return d;
}

// The pressed format button's caption blue, the other black.
void ColourFormatButtons(tk::TWinControl& panel) {
    for (auto* b : ChildrenOf<tk::TSpeedButton>(panel))
        SetFontColor(*b, b->Down() ? tk::clBlue : tk::clBlack);
}

} // namespace

TfrmDigOut::TfrmDigOut(tk::TComponent* owner)
    : TOutputMixer(owner, DigitalOutputData(), {{kNotifySource, UM_ROUTECHANGED}}) {
    BindMethod("FormatClick", [this](tk::TObject* s) { FormatClick(s); });
    LoadFrameLayout();
}

TMixerClassState& TfrmDigOut::ClassState() const {
    static TMixerClassState state;
    return state;
}

void TfrmDigOut::CreateOwnBlocks() {
    // Without it the formats are not read; the window works all the same.
    m_statusBlock = &NewBlock(4, GMEM_ZEROINIT, false);
}

bool TfrmDigOut::ReadDriverState() {
    if (!ReadRoutes()) return false;
    ReadFormats();
    return true;
}

void TfrmDigOut::ReadFormats() {
    if (!*m_statusBlock) return;
    for (auto* panel : ChildrenOf<tk::TWinControl>(ComponentByName<tk::TWinControl>("pnFormat"))) {
        int card = panel->Tag();
        if (card < 0 || card >= Cards()) continue;
        // A refused read leaves the card's buttons as they were, rather than showing what the block
        // still holds from the card before.
        if (!SendCtrl(OwnHandle(card, 0), DRVM_OUT_GET_DIGITAL_STATUS, m_statusBlock->Address())) continue;
        DWORD format = static_cast<DWORD>(m_statusBlock->Int(0)) & kDigitalFormatBit;
        for (auto* b : ChildrenOf<tk::TSpeedButton>(*panel))
            b->SetDown(static_cast<DWORD>(b->Tag()) == format);
        ColourFormatButtons(*panel);
    }
}

void TfrmDigOut::FormatClick(tk::TObject* sender) {
    auto* b = dynamic_cast<tk::TSpeedButton*>(sender);
    if (!b || !b->Parent()) return;
    int card = b->Parent()->Tag();
    if (b->Down() && card >= 0 && card < Cards())
        SendCtrl(OwnHandle(card, 0), DRVM_OUT_SET_DIGITAL_FORMAT, static_cast<DWORD>(b->Tag()));
    ColourFormatButtons(*b->Parent());
}

} // namespace krvl
