#include "mixer/Routing.h"

#include "toolkit/Buttons.h"

namespace krvl {

TInputRouting::TInputRouting(int pairsPerCard, const HWAVEIN* handles)
    : m_pairsPerCard(pairsPerCard), m_handles(handles),
      m_records(static_cast<std::size_t>(kMaxCards * pairsPerCard)) {}

HWAVEIN TInputRouting::Handle(int index) const {
    return m_handles[static_cast<std::size_t>(index) * 2];
}

int TInputRouting::RecordOf(const tk::TSpeedButton& button) const {
    int card = button.Parent() ? button.Parent()->Tag() : 0;
    return card * m_pairsPerCard + (button.NumGlyphs() - 1);
}

void TInputRouting::Read(int index, const SharedBlock& block, BYTE defaultMonitor) {
    SendCtrl(Handle(index), DRVM_IN_GET_ROUTING, block.Address());
    Routing& r = Record(index);
    r = Routing::Unpack(static_cast<DWORD>(block.Int(0)));
    if (r.monitorPair == 0) r.monitorPair = defaultMonitor;
}

void TInputRouting::Send(int index) const {
    SendCtrl(Handle(index), DRVM_IN_SET_ROUTING, Record(index).Packed());
}

void TInputRouting::Click(tk::TObject* sender, BYTE Routing::*field, bool byDown, bool send) {
    auto* b = dynamic_cast<tk::TSpeedButton*>(sender);
    if (!b || !b->Parent()) return;
    int index = RecordOf(*b);
    Routing& record = Record(index);
    if (send) {
        record.*field = byDown && !b->Down() ? 0 : ButtonValue(*b);
        Send(index);
    }
    RecolourRouting(*b->Parent(), record);
}

void TInputRouting::ShowPanels(tk::TWinControl& section) const {
    for (int i = 0; i < section.ControlCount(); ++i) {
        auto* panel = dynamic_cast<tk::TWinControl*>(section.Controls(i));
        if (!panel) continue;
        tk::TSpeedButton* first = nullptr;
        for (int j = 0; j < panel->ControlCount() && !first; ++j)
            first = dynamic_cast<tk::TSpeedButton*>(panel->Controls(j));
        if (!first) continue;
        const Routing& record = Record(RecordOf(*first));
        ShowRouting(*panel, record);
        RecolourRouting(*panel, record);
    }
}

BYTE ButtonValue(const tk::TControl& button) {
    return static_cast<BYTE>(button.Tag() & 0xFF);
}

namespace {

template <class F> void ForEachButton(tk::TWinControl& panel, F f) {
    for (int i = 0; i < panel.ControlCount(); ++i)
        if (auto* b = dynamic_cast<tk::TSpeedButton*>(panel.Controls(i))) f(*b);
}

} // namespace

void SetFontColor(tk::TControl& c, tk::TColor color) {
    tk::TFont font = c.Font();
    font.SetColor(color);
    c.SetFont(font);
}

void ShowRouting(tk::TWinControl& panel, const Routing& record) {
    ForEachButton(panel, [&](tk::TSpeedButton& b) {
        switch (b.GroupIndex()) {
        case kGroupMonitorPair:
            b.SetDown(ButtonValue(b) == record.monitorPair);
            break;
        case kGroupMonitorMode:
            b.SetDown(ButtonValue(b) == record.monitorMode);
            break;
        case kGroupInputSource:
            b.SetDown(ButtonValue(b) == record.source);
            break;
        default:
            break;
        }
    });
}

void RecolourRouting(tk::TWinControl& panel, const Routing& record) {
    ForEachButton(panel, [&](tk::TSpeedButton& b) {
        switch (b.GroupIndex()) {
        case kGroupMonitorPair:
            if (!b.Down())
                SetFontColor(b, tk::clBlack);
            else if (record.monitorMode == 0)
                SetFontColor(b, tk::clGray);
            else if (record.monitorMode == 1)
                SetFontColor(b, tk::clRed);
            else if (record.monitorMode == 2)
                SetFontColor(b, tk::clPurple);
            break;
        case kGroupMonitorMode:
            if (!b.Down())
                SetFontColor(b, tk::clBlack);
            else if (record.monitorPair == 0)
                SetFontColor(b, tk::clGray);
            else if (ButtonValue(b) == 1)
                SetFontColor(b, tk::clRed);
            else if (ButtonValue(b) == 2)
                SetFontColor(b, tk::clPurple);
            break;
        case kGroupInputSource:
            SetFontColor(b, b.Down() ? tk::clBlue : tk::clBlack);
            break;
        default:
            break;
        }
    });
}

void RelabelMonitorButton(tk::TControl& copy, int card) {
    auto* b = dynamic_cast<tk::TSpeedButton*>(&copy);
    if (!b || b->Caption().find('-') == std::string::npos) return;
    int a = card * 4 + (b->Tag() - 1) * 2;
    b->SetCaption("Ana " + std::to_string(a + 1) + "-" + std::to_string(a + 2));
}

} // namespace krvl
