#include "mixer/Output.h"

#include "app/messages.h"
#include "mixer/Routing.h"
#include "toolkit/Buttons.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/StdCtrls.h"

#include <cstring>

namespace krvl {

namespace {

constexpr DWORD kSourceCodes = 6; // "Play 1-2" to "Rec Dig."

// A further card's copy of a "Play x-y" or "Rec x-y" button gets that card's channel numbers.
void RelabelSourceButton(tk::TControl& copy, int card) {
    auto* b = dynamic_cast<tk::TSpeedButton*>(&copy);
    if (!b || b->Caption().find('-') == std::string::npos) return;
    int tag = b->Tag();
    int k = tag == 2 || tag == 3 ? 2 : 0;
    std::string prefix = tag == 1 || tag == 3 ? "Rec " : "Play ";
    b->SetCaption(prefix + std::to_string(card * 4 + k + 1) + "-" + std::to_string(card * 4 + k + 2));
}

} // namespace

TOutputMixer::TOutputMixer(tk::TComponent* owner, TMixerFrameData data, std::vector<TNoticeData> notices)
    : TMixerFrame(owner, std::move(data)), m_notices(std::move(notices)) {
    BindMethod("MonButtonClick", [this](tk::TObject* s) { MonButtonClick(s); });
    BindMethod("SecTimerTimer", [this](tk::TObject* s) { SecTimerTimer(s); });
    SetMessageHandler(UM_ROUTECHANGED, [this](tk::TMessage& m) { UMRouteChanged(m); });
    // Until the first read every pair counts as playing its own device, which needs no source handle;
    // a zero would claim another device's playback with no handle opened for it.
    for (int card = 0; card < kMaxCards; ++card)
        for (int pair = 0; pair < PairsPerCard(); ++pair)
            m_selection[Slot(card, pair)] = OwnCode(pair);
}

TOutputMixer::~TOutputMixer() {
    for (auto& s : m_sources) {
        CloseCtrlHandles(2, s.in.data());
        CloseCtrlHandles(2, s.out.data());
    }
}

DWORD TOutputMixer::OwnCode(int pair) const {
    return PlaySourceCode(Data().pairs[static_cast<std::size_t>(pair)]);
}

int TOutputMixer::RouteType(int card, int pair) const {
    DWORD s = Selection(card, pair) & 0xFF;
    if (s >= kSourceCodes) return 0;
    if (s % 2 == 1) return 2;
    return s == OwnCode(pair) ? 1 : 3;
}

// ================================================================== creation and destruction

void TOutputMixer::AdjustCopy(tk::TControl*& copy, int card) {
    if (dynamic_cast<tk::TBevel*>(copy)) {
        copy = nullptr;
        return;
    }
    if (auto* label = dynamic_cast<tk::TCustomLabel*>(copy); label && label->Caption() == "Monitoring") {
        copy = nullptr;
        return;
    }
    RelabelSourceButton(*copy, card);
}

void TOutputMixer::CreateBlocks() {
    CreateOwnBlocks();
    Metering().SetLevelBlock(&NewBlock(kLevelRecordSize, GMEM_ZEROINIT));
    m_sourceBlock = &NewBlock(4, GMEM_ZEROINIT);
    for (std::size_t i = 0; i < m_notices.size(); ++i)
        m_noticeBlocks.push_back(
            &NewBlock(static_cast<DWORD>(kMaxCards * PairsPerCard()) * kNotifyRecordSize, GMEM_ZEROINIT));
}

DWORD TOutputMixer::NoticeAddress(std::size_t notice, int card, int pair) const {
    return m_noticeBlocks[notice]->Address() + static_cast<DWORD>(Slot(card, pair)) * kNotifyRecordSize;
}

void TOutputMixer::Created() {
    WORD window = WOWHandle16(Handle(), WOW_TYPE_HWND);
    for (int card = 0; card < Cards(); ++card)
        for (int pair = 0; pair < PairsPerCard(); ++pair)
            for (std::size_t n = 0; n < m_notices.size(); ++n) {
                NotifyRecord record{};
                record.eventClass = m_notices[n].eventClass;
                record.window = window;
                record.message = static_cast<WORD>(m_notices[n].message);
                record.lParam = static_cast<DWORD>(card) << 16 | static_cast<DWORD>(pair);
                std::memcpy(m_noticeBlocks[n]->Flat() + Slot(card, pair) * kNotifyRecordSize, &record,
                            sizeof record);
                SendCtrl(OwnHandle(card, pair), DRVM_OUT_REGISTER_NOTIFY, NoticeAddress(n, card, pair));
            }
}

void TOutputMixer::ReleaseDriver() {
    for (int card = 0; card < Cards(); ++card)
        for (int pair = 0; pair < PairsPerCard(); ++pair)
            for (std::size_t n = 0; n < m_noticeBlocks.size(); ++n)
                if (*m_noticeBlocks[n])
                    SendCtrl(OwnHandle(card, pair), DRVM_OUT_UNREGISTER_NOTIFY, NoticeAddress(n, card, pair));
    for (auto& s : m_sources) {
        CloseCtrlHandles(2, s.in.data());
        CloseCtrlHandles(2, s.out.data());
    }
}

std::unique_ptr<TMetering> TOutputMixer::MakeMetering() {
    auto metering = std::make_unique<TOutputMetering>(*this, *this, Cards(), PairsPerCard());
    m_outputMetering = metering.get();
    return metering;
}

// ================================================================== sources

tk::TWinControl* TOutputMixer::RoutePanel(int card, int pair) const {
    auto& routes = ComponentByName<tk::TWinControl>("pnPlaybackSel");
    for (auto* panel : ChildrenOf<tk::TWinControl>(routes)) {
        if (panel->Tag() != card) continue;
        for (auto* b : ChildrenOf<tk::TSpeedButton>(*panel))
            if (b->GroupIndex() == pair + 1) return panel;
    }
    return nullptr;
}

void TOutputMixer::PressButton(tk::TWinControl& panel, int group, DWORD code) {
    for (auto* b : ChildrenOf<tk::TSpeedButton>(panel))
        if (b->GroupIndex() == group && ButtonValue(*b) == (code & 0xFF)) b->SetDown(true);
}

bool TOutputMixer::ReadRoutes() {
    for (int card = 0; card < Cards(); ++card)
        for (int pair = 0; pair < PairsPerCard(); ++pair)
            if (!RefreshRoute(card, pair, false)) return false;
    return true;
}

bool TOutputMixer::RefreshRoute(int card, int pair, bool compare) {
    if (!SendCtrl(OwnHandle(card, pair), DRVM_OUT_GET_SOURCE, m_sourceBlock->Address())) return false;
    DWORD code = static_cast<DWORD>(m_sourceBlock->Int(0)) & 0xFF;
    if (compare && code == (Selection(card, pair) & 0xFF)) return true;
    tk::TWinControl* panel = RoutePanel(card, pair);
    TGuardClosed closed(*this);
    if (!panel) {
        ChangeRoute(card, pair, code);
        return true;
    }
    tk::TSpeedButton* button = nullptr;
    for (auto* b : ChildrenOf<tk::TSpeedButton>(*panel))
        if (b->GroupIndex() == pair + 1 && ButtonValue(*b) == code) button = b;
    if (button) button->SetDown(true);
    SelectSource(*panel, card, pair, code, button);
    return true;
}

void TOutputMixer::MonButtonClick(tk::TObject* sender) {
    auto* b = dynamic_cast<tk::TSpeedButton*>(sender);
    if (!b || !b->Parent()) return;
    int pair = b->GroupIndex() - 1;
    int card = b->Parent()->Tag();
    if (pair < 0 || pair >= PairsPerCard() || card < 0 || card >= Cards()) return;
    SelectSource(*b->Parent(), card, pair, ButtonValue(*b), b);
}

void TOutputMixer::SelectSource(tk::TWinControl& panel, int card, int pair, DWORD code,
                                tk::TSpeedButton* clicked) {
    int group = pair + 1;
    if (!ChangeRoute(card, pair, code)) {
        PressButton(panel, group, Selection(card, pair));
        return;
    }
    for (auto* b : ChildrenOf<tk::TSpeedButton>(panel))
        if (b->GroupIndex() == group) SetFontColor(*b, tk::clBtnText);
    if (clicked) SetFontColor(*clicked, tk::clBlue);
}

bool TOutputMixer::ChangeRoute(int card, int pair, DWORD code) {
    if (UpdateGuard() && !SendCtrl(OwnHandle(card, pair), DRVM_OUT_SET_SOURCE, code)) return false;
    if (Selection(card, pair) == code) return true;
    // The measurement leaves the old source while its handles are still there. An unknown code had no
    // measurement switched on; asking to switch it off would raise again and keep the pair there.
    if (RouteType(card, pair) != 0) m_outputMetering->DisableLeveling(card, pair);
    CloseSources(card, pair, RouteType(card, pair));
    m_selection[Slot(card, pair)] = code;
    OpenSources(card, pair, code);
    m_outputMetering->EnableDevLeveling(card, pair);
    return true;
}

void TOutputMixer::CloseSources(int card, int pair, int routeType) {
    TSourceHandles& s = m_sources[Slot(card, pair)];
    if (routeType == 2) CloseCtrlHandles(2, s.in.data());
    if (routeType == 3) CloseCtrlHandles(2, s.out.data());
}

void TOutputMixer::OpenSources(int card, int pair, DWORD code) {
    if (code >= kSourceCodes || code == OwnCode(pair)) return;
    TSourceHandles& s = m_sources[Slot(card, pair)];
    int device = static_cast<int>(code / 2);
    if (code % 2 == 1)
        OpenCtrlRange(Handle(), device, s.in.data(), card, card, 0, 1);
    else
        OpenCtrlRange(Handle(), device, s.out.data(), card, card, 0, 1);
}

// ================================================================== driver notices and the timer

bool TOutputMixer::NoticeTarget(const tk::TMessage& message, int& card, int& pair) const {
    auto l = static_cast<DWORD>(message.LParam);
    card = static_cast<int>(l >> 16);
    pair = static_cast<int>(l & 0xFFFF);
    return Ready() && card < Cards() && pair < PairsPerCard();
}

void TOutputMixer::UMRouteChanged(tk::TMessage& message) {
    int card = 0, pair = 0;
    if (NoticeTarget(message, card, pair)) RefreshRoute(card, pair, true);
    message.Result = 0;
}

void TOutputMixer::SecTimerTimer(tk::TObject*) {
    if (!Ready()) return;
    for (int card = 0; card < Cards(); ++card)
        for (int pair = 0; pair < PairsPerCard(); ++pair)
            RefreshRoute(card, pair, true);
}

} // namespace krvl
