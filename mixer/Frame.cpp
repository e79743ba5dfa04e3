#include "mixer/Frame.h"

#include "app/Formutil.h"
#include "app/about.h"
#include "app/messages.h"
#include "app/resources.h"
#include "controls/audioctl32.h"
#include "driver/cards.h"
#include "forms/Layouts.h"
#include "mixer/Routing.h"
#include "toolkit/Buttons.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/ScrollBox.h"
#include "toolkit/StdCtrls.h"

#include <algorithm>

namespace krvl {

namespace {

// What the horizontal scroll bar adds to the window while it is shown.
constexpr int kScrollBarHeight = 16;
constexpr int kMinWidth = 97;
constexpr int kFrameWidth = 22;

// The caption with its first "&" taken out.
std::string WithoutFirstAmpersand(std::string caption) {
    if (auto at = caption.find('&'); at != std::string::npos) caption.erase(at, 1);
    return caption;
}

} // namespace

TMixerFrame::TMixerFrame(tk::TComponent* owner, TMixerFrameData data)
    : tk::TForm(owner), m_data(std::move(data)) {
    BindMethod("FormCreate", [this](tk::TObject* s) { FormCreate(s); });
    BindMethod("FormShow", [this](tk::TObject* s) { FormShow(s); });
    BindCloseMethod("FormClose", [this](tk::TObject* s, tk::TCloseAction& a) { FormClose(s, a); });
    BindMethod("FormDestroy", [this](tk::TObject* s) { FormDestroy(s); });
    BindMethod("FormResize", [this](tk::TObject* s) { FormResize(s); });
    for (const TSectionData& section : m_data.sections)
        BindMethod(section.handler, [this](tk::TObject* s) { SectionClick(s); });
    if (!m_data.faderSection.empty()) {
        BindMethod("SliderChange", [this](tk::TObject* s) { SliderChange(s); });
        BindMethod("chkLinkClick", [this](tk::TObject* s) { chkLinkClick(s); });
        BindMethod("btnMuteClick", [this](tk::TObject* s) { btnMuteClick(s); });
    }
    SetMessageHandler(WM_GETMINMAXINFO, [this](tk::TMessage& m) { WMGetMinMaxInfo(m); });
    SetMessageHandler(WM_SYSCOMMAND, [this](tk::TMessage& m) { WMSysCommand(m); });
    SetMessageHandler(UM_METERTICK, [this](tk::TMessage& m) {
        if (m_metering) m_metering->Tick(m);
        m.Result = 1;
    });
    SetMessageHandler(UM_LEVELPOLL, [this](tk::TMessage& m) {
        if (m_metering) m_metering->LevelPoll(m);
        m.Result = 1;
    });
}

TMixerFrame::~TMixerFrame() {
    // Timers first: they post to this window.
    m_metering.reset();
    CloseCtrlHandles(static_cast<int>(m_inHandles.size()), m_inHandles.data());
    CloseCtrlHandles(static_cast<int>(m_outHandles.size()), m_outHandles.data());
}

tk::TControl& TMixerFrame::Named(const std::string& name) const {
    return ComponentByName<tk::TControl>(name);
}

void TMixerFrame::LoadFrameLayout() {
    forms::Load(*this, m_data.layout);
    m_main = &ComponentByName<tk::TCustomPanel>(m_data.mainPanel);
    m_checks = &ComponentByName<tk::TCustomPanel>(m_data.checks);
    m_scroller = &ComponentByName<tk::TScrollBox>(m_data.scroller);
    m_meters = &Named(m_data.meters);
    if (!m_data.scrolledWith.empty()) m_scrolledWith = &ComponentByName<tk::TWinControl>(m_data.scrolledWith);
    if (!m_data.faderSection.empty()) m_faderSection = &ComponentByName<tk::TWinControl>(m_data.faderSection);
    if (!m_data.secTimer.empty()) m_secTimer = &ComponentByName<tk::TTimer>(m_data.secTimer);
    auto controls = [this](const std::vector<std::string>& names) {
        std::vector<tk::TControl*> list;
        for (const auto& n : names)
            list.push_back(&Named(n));
        return list;
    };
    for (const TSectionData& d : m_data.sections) {
        TSection s;
        s.box = &ComponentByName<tk::TCustomCheckBox>(d.box);
        s.bands = controls(d.bands);
        s.shiftBy = d.shiftBy.empty() ? nullptr : &Named(d.shiftBy);
        s.below = controls(d.below);
        s.others = controls(d.others);
        s.meters = d.meters;
        m_sections.push_back(std::move(s));
    }
    for (const auto& n : m_data.commandOrder)
        m_commandOrder.push_back(&ComponentByName<tk::TCustomCheckBox>(n));
}

int TMixerFrame::FixedHeight() const {
    return ClassState().fixedHeight;
}

int TMixerFrame::HandleIndex(int card, int pairIndex, int channel) const {
    return (card * PairsPerCard() + pairIndex) * 2 + channel;
}

bool TMixerFrame::SendOn(int index, UINT msg, DWORD param) const {
    if (m_data.direction == Direction::In) return SendCtrl(InHandle(index), msg, param);
    return SendCtrl(OutHandle(index), msg, param);
}

SharedBlock& TMixerFrame::NewBlock(DWORD size, WORD flags, bool required) {
    m_blocks.push_back(TBlock{std::make_unique<SharedBlock>(size, flags), required});
    return *m_blocks.back().block;
}

void TMixerFrame::UseFaderBlocks(SharedBlock& levels, SharedBlock& mutes) {
    m_faderBlock = &levels;
    m_muteBlock = &mutes;
}

std::unique_ptr<TMetering> TMixerFrame::MakeMetering() {
    return std::make_unique<TInputMetering>(*this, m_inHandles.data(), m_cards, PairsPerCard());
}

// ================================================================== creation

void TMixerFrame::FormCreate(tk::TObject*) {
    m_cards = std::clamp(CardTable().cardCount, 0, kMaxCards);
    SetIcon(MixerIcon());
    m_scroller->HorzScrollBar().OnChange = [this](tk::TObject* s) { ScrollerChange(s); };
    if (m_data.createWidth > 0) SetWidth(m_data.createWidth);
    OpenHandles();

    int channels = PairsPerCard() * 2;
    m_meterCounter = channels;
    m_faderCounter = channels;
    m_linkCounter = PairsPerCard();
    m_numberCounter = channels;
    ClassState().fixedHeight = m_data.initialFixedHeight;

    CloneStrips();
    StripsCloned();
    LinkFaders();
    BuildHints();

    m_metering = MakeMetering();
    FillMeterList();
    m_metering->SetPeriods(40, 100);

    CreateBlocks();
    m_ready = std::all_of(m_blocks.begin(), m_blocks.end(),
                          [](const TBlock& b) { return !b.required || *b.block; });
    if (m_ready) Created();

    OnActivate = MixerActiveChanged;
    OnDeactivate = MixerActiveChanged;
}

void TMixerFrame::OpenHandles() {
    // A failed open raises the silent abort; the half-made window is destroyed with what it opened.
    HWND callback = m_data.callbackWindow ? Handle() : nullptr;
    for (int card = 0; card < m_cards; ++card)
        for (int p = 0; p < PairsPerCard(); ++p) {
            auto at = static_cast<std::size_t>(HandleIndex(card, p));
            int pair = m_data.pairs[static_cast<std::size_t>(p)];
            if (m_data.direction == Direction::In)
                OpenCtrlRange(callback, pair, &m_inHandles[at], card, card, 0, 1);
            else
                OpenCtrlRange(callback, pair, &m_outHandles[at], card, card, 0, 1);
        }
}

void TMixerFrame::CloneStrips() {
    auto remember = [this](tk::TControl& source, tk::TControl& copy, int card) {
        m_copies.push_back(TCopy{&copy, tk::TTracker(&copy), TCloneOrigin{source.Name(), card}});
    };
    for (int card = 1; card < m_cards; ++card) {
        for (const TCloneStep& step : m_data.clones) {
            auto& panel = ComponentByName<tk::TWinControl>(step.panel);
            if (step.widen) panel.SetWidth(panel.Width() + m_data.stripWidth);
            CloneCallback callback;
            if (step.rules == CloneRules::Strip) {
                callback = [this, card](tk::TControl*& copy) { StripCopy(copy, card); };
            } else if (step.rules == CloneRules::Numbers) {
                callback = [this](tk::TControl*& copy) {
                    if (auto* label = dynamic_cast<tk::TCustomLabel*>(copy)) {
                        label->SetTag(++m_numberCounter);
                        label->SetCaption(std::to_string(m_numberCounter));
                    }
                };
            }
            CloneComponents(panel, panel, card * m_data.stripWidth, callback, 0,
                            [&remember, card](tk::TControl& s, tk::TControl& c) { remember(s, c, card); });
        }
    }
}

void TMixerFrame::StripCopy(tk::TControl*& copy, int card) {
    if (auto* meter = dynamic_cast<TLevelMeter*>(copy)) {
        meter->SetTag(m_meterCounter++);
    } else if (auto* fader = dynamic_cast<TSlider*>(copy)) {
        fader->SetNumber(m_faderCounter++);
        if (m_data.renameFaders) fader->SetName("Slider" + std::to_string(fader->Number()));
    } else if (auto* box = dynamic_cast<tk::TCheckBox*>(copy)) {
        int c = m_linkCounter++;
        box->SetName("chkLink" + std::to_string(2 * c + 1) + std::to_string(2 * c + 2));
    } else if (auto* panel = dynamic_cast<tk::TPanel*>(copy); panel && panel->Tag() == 0) {
        panel->SetTag(card);
    }
    if (!copy) return;
    if (m_data.relabelMonitorPairs) RelabelMonitorButton(*copy, card);
    AdjustCopy(copy, card);
}

void TMixerFrame::AdjustCopy(tk::TControl*&, int) {}

void TMixerFrame::LinkFaders() {
    for (int i = 0; i < ComponentCount(); ++i) {
        auto* fader = dynamic_cast<TSlider*>(Components(i));
        if (!fader || !fader->Parent()) continue;
        auto boxes = ChildrenOf<tk::TCustomCheckBox>(*fader->Parent());
        if (boxes.empty()) continue;
        fader->SetLinkCheck(boxes.front());
        int n = fader->Number();
        if (n % 2 == 1)
            boxes.front()->SetHint("Verbinde/Trenne Fader " + std::to_string(n) + "-" +
                                   std::to_string(n + 1));
    }
}

void TMixerFrame::BuildHints() {
    if (m_faderSection)
        for (auto* panel : ChildrenOf<tk::TWinControl>(*m_faderSection))
            for (auto* button : ChildrenOf<tk::TSpeedButton>(*panel))
                button->SetHint("Stummschaltung Kanal " +
                                std::to_string(panel->Tag() * 4 + button->Tag() + 1) + " An/Aus");
    for (auto* box : ChildrenOf<tk::TCustomCheckBox>(*m_checks))
        box->SetHint("Zeige/Verdecke " + WithoutFirstAmpersand(box->Caption()) + " Bereich");
}

void TMixerFrame::FillMeterList() {
    int next = 0;
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* meter = dynamic_cast<TLevelMeter*>(Components(i)))
            m_metering->SetMeter(m_data.metersByTag ? meter->Tag() : next++, meter);
}

// ================================================================== show, close, destruction

void TMixerFrame::FormShow(tk::TObject*) {
    if (!m_ready) return;
    m_updateGuard = true;
    if (!ReadDriverState()) {
        m_ready = false;
        return;
    }
    tk::TTracker alive(this);
    auto& cs = ClassState();
    cs.resizeGuard = true;
    try {
        LoadWindowSettings(*this, kSettingsFile, "", true, -1);
    } catch (...) {
        cs.resizeGuard = false;
        throw;
    }
    cs.resizeGuard = false;
    if (!alive) return;
    m_settingsLoaded = true;
    // The size limits and FormResize apply to the loaded placement.
    SetWidth(Width() + 1);
    SetWidth(Width() - 1);
    SetHints(ShowHint());
    ReadFaders();
    if (m_meters->Visible()) StartMetering();
    if (!m_checks->Visible()) {
        // Loaded hidden without its bookkeeping: shown, then hidden the regular way. The loaded top edge
        // stays where it was stored, or the window would creep down with every opening.
        int top = Top();
        m_checks->Show();
        TogglePanelChecks();
        SetTop(top);
    }
    AddSystemMenuEntries(*m_checks, AboutBox, false);
    if (m_secTimer) m_secTimer->SetEnabled(true);
}

void TMixerFrame::FormClose(tk::TObject*, tk::TCloseAction&) {
    // No source refresh may run once the window is closing.
    if (m_secTimer) m_secTimer->SetEnabled(false);
    // A window that never loaded its settings would store its design-time state over the user's.
    if (m_settingsLoaded) SaveWindowSettings(*this, kSettingsFile, "", true, -1);
    if (m_metering) {
        // A failure to switch the measurement off is reported, but the window still closes: thrown on,
        // it would keep the window on screen for good, and its owner could not destroy it either.
        try {
            m_metering->Stop();
        } catch (...) {
            tk::Application->HandleException(std::current_exception());
        }
    }
    // The control window owns its mixer windows and unchecks this one's box.
    if (auto* control = dynamic_cast<tk::TForm*>(Owner()))
        PostMessageA(control->Handle(), UM_MIXERCLOSED, 0, reinterpret_cast<LPARAM>(this));
}

void TMixerFrame::FormDestroy(tk::TObject*) {
    m_metering.reset();
    ReleaseDriver();
    CloseCtrlHandles(static_cast<int>(m_inHandles.size()), m_inHandles.data());
    CloseCtrlHandles(static_cast<int>(m_outHandles.size()), m_outHandles.data());
    m_blocks.clear();
}

// ================================================================== sections and size

void TMixerFrame::SetHints(bool on) {
    SetShowHint(on);
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* c = dynamic_cast<tk::TControl*>(Components(i)); c && !c->Hint().empty()) c->SetShowHint(on);
    UpdateSystemMenuEntry(*this);
}

TMixerFrame::TSection* TMixerFrame::SectionOf(tk::TObject* box) {
    for (auto& s : m_sections)
        if (s.box == box) return &s;
    return nullptr;
}

void TMixerFrame::MoveWindowEdge(int growBy) {
    ClassState().fixedHeight += growBy;
    SetTop(Top() - growBy);
    SetHeight(Height() + growBy);
}

void TMixerFrame::SectionClick(tk::TObject* sender) {
    TSection* s = SectionOf(sender);
    if (!s) return;
    UpdateSystemMenuEntry(*s->box);
    int h = 0;
    for (auto* band : s->bands)
        h += band->Height();
    int shift = s->shiftBy ? s->shiftBy->Height() : h;
    if (s->box->Checked()) {
        if (!m_main->Visible()) {
            MoveWindowEdge(m_main->Height());
            m_main->Show();
            if (!m_checks->Visible()) m_main->SetAlign(tk::alClient);
        }
        MoveWindowEdge(h);
        for (auto* band : s->bands)
            band->Show();
        for (auto* c : s->below)
            c->SetTop(c->Top() + shift);
        m_main->SetHeight(m_main->Height() + h);
        if (s->meters) StartMetering();
    } else {
        // The meters stop before their section goes.
        if (s->meters) StopMetering();
        for (auto* band : s->bands)
            band->Hide();
        for (auto* c : s->below)
            c->SetTop(c->Top() - shift);
        m_main->SetHeight(m_main->Height() - h);
        MoveWindowEdge(-h);
        bool any = std::any_of(s->others.begin(), s->others.end(), [](auto* c) { return c->Visible(); });
        if (!any) {
            m_main->SetAlign(tk::alTop);
            m_main->Hide();
            MoveWindowEdge(-m_main->Height());
        }
    }
}

void TMixerFrame::TogglePanelChecks() {
    auto& cs = ClassState();
    int h = m_checks->Height();
    bool keepBottom = m_data.checksEdge == EdgeKept::Bottom;
    if (m_checks->Visible()) {
        m_checks->Hide();
        cs.fixedHeight -= h;
        SetHeight(Height() - h);
        m_checks->SetAlign(tk::alNone);
        if (m_main->Visible()) m_main->SetAlign(tk::alClient);
        if (keepBottom) SetTop(Top() + h);
    } else {
        m_main->SetAlign(tk::alTop);
        cs.fixedHeight += h;
        SetHeight(Height() + h);
        m_checks->SetAlign(tk::alClient);
        m_checks->Show();
        if (keepBottom) SetTop(Top() - h);
    }
    UpdateSystemMenuEntry(*m_checks);
}

void TMixerFrame::FormResize(tk::TObject*) {
    auto& cs = ClassState();
    if (cs.resizeGuard) return;
    cs.resizeGuard = true;
    struct Reset {
        bool& guard;
        ~Reset() { guard = false; }
    } reset{cs.resizeGuard};
    auto& bar = m_scroller->HorzScrollBar();
    if (!bar.Visible() && m_scroller->Width() < m_meters->Width()) {
        cs.fixedHeight += kScrollBarHeight;
        SetHeight(Height() + kScrollBarHeight);
        m_main->SetHeight(m_main->Height() + kScrollBarHeight);
        bar.SetVisible(true);
    } else if (bar.Visible() && m_scroller->Width() >= m_meters->Width()) {
        bar.SetVisible(false);
        cs.fixedHeight -= kScrollBarHeight;
        SetHeight(Height() - kScrollBarHeight);
        m_main->SetHeight(m_main->Height() - kScrollBarHeight);
    }
}

void TMixerFrame::ScrollerChange(tk::TObject*) {
    int p = m_scroller->HorzScrollBar().Position();
    if (m_scrolledWith) m_scrolledWith->ScrollBy(m_lastScroll - p, 0);
    m_lastScroll = p;
}

void TMixerFrame::WMGetMinMaxInfo(tk::TMessage& message) {
    auto* info = reinterpret_cast<MINMAXINFO*>(message.LParam);
    const auto& cs = ClassState();
    if (info && m_ready && !cs.resizeGuard) {
        LONG widest = m_cards * m_data.stripWidth + kFrameWidth;
        info->ptMaxSize = {widest, cs.fixedHeight};
        info->ptMaxPosition = {0, 0};
        info->ptMinTrackSize = {kMinWidth, cs.fixedHeight};
        info->ptMaxTrackSize = {widest, cs.fixedHeight};
    } else if (info && m_ready && info->ptMinTrackSize.x > kMinWidth) {
        // While the guard is set nothing limits the window, not even the system's default minimum,
        // which would widen a window at its narrowest when it loads its placement or grows a scroll bar.
        info->ptMinTrackSize.x = kMinWidth;
    }
    message.Result = 0;
}

void TMixerFrame::WMSysCommand(tk::TMessage& message) {
    DefaultHandler(message);
    UINT id = static_cast<UINT>(message.WParam & 0xFFFF);
    tk::TTracker alive(this);
    for (tk::TComponent* box : m_commandOrder)
        if (id == MenuCommandId(box)) {
            auto* b = static_cast<tk::TCustomCheckBox*>(box);
            b->SetChecked(!b->Checked());
            return;
        }
    if (id == MenuCommandId(this)) {
        SetHints(!ShowHint());
    } else if (AboutBox && id == MenuCommandId(AboutBox)) {
        AboutBox->ShowModal();
    } else if (id == MenuCommandId(m_checks)) {
        TogglePanelChecks();
    }
}

// ================================================================== faders and mutes

namespace {

WORD HighWord(std::int32_t v) {
    return static_cast<WORD>(static_cast<DWORD>(v) >> 16);
}

WORD LowWord(std::int32_t v) {
    return static_cast<WORD>(static_cast<DWORD>(v) & 0xFFFF);
}

} // namespace

void TMixerFrame::ReadFaders() {
    if (!m_faderSection || !m_faderBlock || !CardTable().cardsFound) return;
    TGuardClosed closed(*this);
    for (int i = 0; i < ComponentCount(); ++i) {
        auto* fader = dynamic_cast<TSlider*>(Components(i));
        if (!fader || fader->Number() < 0 || fader->Number() >= m_cards * PairsPerCard() * 2) continue;
        if (!SendOn(fader->Number(), m_data.faders.getLevels, m_faderBlock->Address())) continue;
        std::int32_t words = m_faderBlock->Int(0);
        WORD word = fader->Number() % 2 ? HighWord(words) : LowWord(words);
        // Below the fader's range the knob rests at its bottom.
        fader->SetPosition(word / m_data.faders.unit);
    }
}

bool TMixerFrame::RefreshMute(int card, int pair) {
    if (!m_faderSection || !m_muteBlock) return false;
    if (!SendOn(HandleIndex(card, pair), m_data.faders.getMutes, m_muteBlock->Address())) return false;
    std::int32_t mutes = m_muteBlock->Int(0);
    for (auto* panel : ChildrenOf<tk::TWinControl>(*m_faderSection)) {
        if (panel->Tag() != card) continue;
        for (auto* b : ChildrenOf<tk::TSpeedButton>(*panel))
            if (b->Tag() / 2 == pair) b->SetDown((b->Tag() % 2 ? HighWord(mutes) : LowWord(mutes)) != 0);
    }
    return true;
}

bool TMixerFrame::ReadMutes() {
    if (!m_muteBlock) return false;
    m_muteBlock->SetInt(0, 0);
    for (int card = 0; card < m_cards; ++card)
        for (int pair = 0; pair < PairsPerCard(); ++pair)
            if (!RefreshMute(card, pair)) return false;
    return true;
}

void TMixerFrame::btnMuteClick(tk::TObject* sender) {
    auto* clicked = dynamic_cast<tk::TSpeedButton*>(sender);
    if (!clicked || !clicked->Parent()) return;
    tk::TWinControl& panel = *clicked->Parent();
    DWORD mutes = 0;
    for (auto* b : ChildrenOf<tk::TSpeedButton>(panel)) {
        DWORD word = b->Down() ? 0xFFFF : 0;
        mutes = b->Tag() % 2 ? (mutes & 0x0000FFFF) | word << 16 : (mutes & 0xFFFF0000) | word;
    }
    SendOn(HandleIndex(panel.Tag(), clicked->Tag() / 2), m_data.faders.setMutes, mutes);
}

void TMixerFrame::SliderChange(tk::TObject* sender) {
    auto* moved = dynamic_cast<TSlider*>(sender);
    if (!moved || !m_updateGuard || !moved->Parent()) return;
    TGuardClosed closed(*this);
    auto faders = ChildrenOf<TSlider>(*moved->Parent());
    if (moved->LinkCheck() && moved->LinkCheck()->Checked())
        for (auto* f : faders)
            f->SetPosition(moved->Position());
    // The pair's first fader in the low word, its second in the high word.
    DWORD words = 0;
    for (auto* f : faders)
        words = words >> 16 | (static_cast<DWORD>(f->Position() * m_data.faders.unit) & 0xFFFF) << 16;
    SendOn(moved->Number(), m_data.faders.setLevels, words);
}

void TMixerFrame::chkLinkClick(tk::TObject* sender) {
    auto* box = dynamic_cast<tk::TCustomCheckBox*>(sender);
    if (!box || !box->Checked() || !box->Parent()) return;
    auto faders = ChildrenOf<TSlider>(*box->Parent());
    if (faders.empty()) return;
    // Each move runs SliderChange, which sends the pair's words.
    int position = faders.front()->Position();
    for (auto* f : faders)
        f->SetPosition(position);
}

// ================================================================== harness and test lookups

tk::TControl* TMixerFrame::CopyFor(const std::string& sourceName, int cardNumber) const {
    for (const TCopy& c : m_copies)
        if (c.alive && c.origin.card == cardNumber - 1 && tk::SameText(c.origin.sourceName, sourceName))
            return c.control;
    return nullptr;
}

std::optional<TCloneOrigin> TMixerFrame::OriginOf(const tk::TControl* control) const {
    for (const TCopy& c : m_copies)
        if (c.alive && c.control == control) return c.origin;
    return std::nullopt;
}

} // namespace krvl
