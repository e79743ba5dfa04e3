// The frame the four mixer windows share: a narrow sizeable tool window whose content is a stack of
// sections with one strip of controls per card (the first card's from the layout, the others copied at
// creation), a check-box panel that shows and hides the sections while the window keeps its height equal
// to what is visible, a horizontal scroll bar when the strips do not fit, the system menu, the settings
// file and the metering. A window gives its differences as data (TMixerFrameData) and a few overrides.
#pragma once

#include "app/Mixctrl.h"
#include "driver/ctrl.h"
#include "mixer/Metering.h"
#include "toolkit/Forms.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tk {
class TCustomCheckBox;
class TCustomPanel;
class TScrollBox;
class TTimer;
} // namespace tk

namespace krvl {

// The children of parent that are of class T, in control order.
template <class T> std::vector<T*> ChildrenOf(const tk::TWinControl& parent) {
    std::vector<T*> list;
    for (int i = 0; i < parent.ControlCount(); ++i)
        if (auto* c = dynamic_cast<T*>(parent.Controls(i))) list.push_back(c);
    return list;
}

// Shared by every instance of one window class (only one exists at a time).
struct TMixerClassState {
    int fixedHeight{};
    bool resizeGuard{};
};

// Which edge stays in place when pnChecks is shown or hidden.
enum class EdgeKept { Top, Bottom };

// How the strip copies of one section panel are adjusted.
enum class CloneRules {
    Strip,     // the window's clone callback (meters, faders, link boxes, panels, pair buttons)
    Numbers,   // channel number labels: each copy gets the next channel number as Tag and caption
    Unchanged, // copied as they are
};

struct TCloneStep {
    std::string panel;
    CloneRules rules{CloneRules::Strip};
    bool widen{true}; // the panel grows by a strip per card
};

// One section and its switch in pnChecks, by control names.
struct TSectionData {
    std::string box;                 // the check box
    std::string handler;             // its OnClick in the layout
    std::vector<std::string> bands;  // shown and hidden together; their heights add up to the section's
    std::string shiftBy;             // the sections below move by this one's height (empty: the whole)
    std::vector<std::string> below;  // what moves when the section comes and goes
    std::vector<std::string> others; // the main panel's other sections (none visible: it goes too)
    bool meters{};                   // metering starts after showing and stops before hiding
};

// The faders and mute buttons of the analog windows: the messages that carry them (on the pair's
// handles) and what one fader step is worth in the driver's 16-bit word.
struct TFaderData {
    UINT getLevels{};
    UINT setLevels{};
    UINT getMutes{};
    UINT setMutes{};
    int unit{256};
};

struct TMixerFrameData {
    std::string layout;       // "Ainp.dfm"
    int stripWidth{160};      // horizontal offset of each further card's strip
    int initialFixedHeight{}; // the class's fixed height at every creation
    int createWidth{};        // the width set at creation; 0 keeps the layout's
    Direction direction{Direction::In};
    std::vector<int> pairs; // channel pairs of a card in this window: {0, 1} or {2}
    bool callbackWindow{};  // control opens report to the window
    EdgeKept checksEdge{EdgeKept::Top};
    bool renameFaders{}; // fader copies are named "Slider" + Number
    // The copies of the "Ana x-y" monitor pair buttons show their card's channel numbers.
    bool relabelMonitorPairs{};
    bool metersByTag{}; // the meter list is filled by Tag (else in component order)

    std::string mainPanel{"grpInput"};
    std::string checks{"pnChecks"};
    std::string scroller{"BottomScroller"};
    std::string meters{"pnMeters"};
    std::string scrolledWith; // the section outside the scroll box that scrolls along ("pnInpSel")
    std::string faderSection; // faders, link boxes and mute buttons ("pnSliders"); empty: none
    TFaderData faders;        // with a fader section
    std::string secTimer;     // the output windows' one-second timer; empty: none
    std::vector<TCloneStep> clones;
    std::vector<TSectionData> sections;
    // The section boxes in the order WM_SYSCOMMAND tests them (then the form, the about box, pnChecks).
    std::vector<std::string> commandOrder;
};

// A copy made for a further card: which first-card control it came from and for which card (1 to 3).
struct TCloneOrigin {
    std::string sourceName;
    int card{};
};

class TMixerFrame : public tk::TForm, public IMixerWindow {
public:
    ~TMixerFrame() override;

    bool Usable() const override { return m_ready; }
    bool Ready() const { return m_ready; }
    bool UpdateGuard() const { return m_updateGuard; }
    int FixedHeight() const;
    int LastScrollPosition() const { return m_lastScroll; }
    TMetering& Metering() const { return *m_metering; }
    // Switches the window's hints: ShowHint of the form and of every control that has a hint.
    void SetHints(bool on);
    // Shows or hides pnChecks with the height bookkeeping (the " Fenstersteuerung anzeigen" entry).
    void TogglePanelChecks();
    void StartMetering() { m_metering->Start(); }
    void StopMetering() { m_metering->Stop(); }

    // The copy of a first-card control made for card number cardNumber (2 to 4), or null.
    tk::TControl* CopyFor(const std::string& sourceName, int cardNumber) const;
    // Where a copy came from; empty for a control of the layout.
    std::optional<TCloneOrigin> OriginOf(const tk::TControl* control) const;

    tk::TCustomPanel* MainPanel() const { return m_main; }
    tk::TCustomPanel* PanelChecks() const { return m_checks; }
    tk::TScrollBox* Scroller() const { return m_scroller; }

protected:
    TMixerFrame(tk::TComponent* owner, TMixerFrameData data);
    // Reads the layout (after the window has bound its own handlers) and finds the frame's controls.
    void LoadFrameLayout();
    const TMixerFrameData& Data() const { return m_data; }
    virtual TMixerClassState& ClassState() const = 0;

    // ---- the window's parts ----
    // After the frame's clone rules: the window's own (relabel, renumber, or clear copy to drop it).
    virtual void AdjustCopy(tk::TControl*& copy, int card);
    // After every strip exists, before the hints.
    virtual void StripsCloned() {}
    // Allocates the window's shared blocks through NewBlock; the level block goes to the metering.
    virtual void CreateBlocks() = 0;
    // At the end of creation, when the window is ready (notifications, ...).
    virtual void Created() {}
    // Show step 2, with the update guard set: the driver state into the controls. False: not ready.
    virtual bool ReadDriverState() = 0;
    // Destruction, before the control handles close.
    virtual void ReleaseDriver() {}
    // The metering the window uses; the input variant unless overridden.
    virtual std::unique_ptr<TMetering> MakeMetering();

    // ---- what the windows use ----
    // A shared block freed at destruction; the window is ready only if every required block was got.
    SharedBlock& NewBlock(DWORD size, WORD flags, bool required = true);
    // The fader section's blocks: the packed fader words and the packed mutes.
    void UseFaderBlocks(SharedBlock& levels, SharedBlock& mutes);
    // Every fader from the driver (show step 5); a fader whose read is refused keeps its position.
    void ReadFaders();
    // One pair's mute buttons from the driver (setting Down raises no click); false when refused.
    bool RefreshMute(int card, int pair);
    // Every pair in order, the mute block cleared first; false at the first refusal.
    bool ReadMutes();
    HWAVEIN InHandle(int index) const { return m_inHandles[static_cast<std::size_t>(index)]; }
    HWAVEOUT OutHandle(int index) const { return m_outHandles[static_cast<std::size_t>(index)]; }
    // A message on control handle index, wave-in or wave-out as the window's devices are.
    bool SendOn(int index, UINT msg, DWORD param) const;
    const HWAVEIN* InHandles() const { return m_inHandles.data(); }
    int Cards() const { return m_cards; }
    int PairsPerCard() const { return static_cast<int>(m_data.pairs.size()); }
    // Index of a channel's control handle: (card × pairs + pair index) × 2 + channel.
    int HandleIndex(int card, int pairIndex, int channel = 0) const;
    void SetUpdateGuard(bool open) { m_updateGuard = open; }
    // Closes the update guard while the window sets its own controls; reopens it when it goes.
    class TGuardClosed {
    public:
        explicit TGuardClosed(TMixerFrame& frame) : m_frame(frame), m_was(frame.m_updateGuard) {
            frame.m_updateGuard = false;
        }
        ~TGuardClosed() { m_frame.m_updateGuard = m_was; }
        TGuardClosed(const TGuardClosed&) = delete;
        TGuardClosed& operator=(const TGuardClosed&) = delete;

    private:
        TMixerFrame& m_frame;
        bool m_was;
    };

private:
    struct TSection {
        tk::TCustomCheckBox* box{};
        std::vector<tk::TControl*> bands;
        tk::TControl* shiftBy{};
        std::vector<tk::TControl*> below;
        std::vector<tk::TControl*> others;
        bool meters{};
    };
    struct TBlock {
        std::unique_ptr<SharedBlock> block;
        bool required{};
    };
    struct TCopy {
        tk::TControl* control{};
        tk::TTracker alive;
        TCloneOrigin origin;
    };

    void FormCreate(tk::TObject* sender);
    void FormShow(tk::TObject* sender);
    void FormClose(tk::TObject* sender, tk::TCloseAction& action);
    void FormDestroy(tk::TObject* sender);
    void FormResize(tk::TObject* sender);
    void SectionClick(tk::TObject* sender);
    void ScrollerChange(tk::TObject* sender);
    void WMGetMinMaxInfo(tk::TMessage& message);
    void WMSysCommand(tk::TMessage& message);
    void SliderChange(tk::TObject* sender);
    void chkLinkClick(tk::TObject* sender);
    void btnMuteClick(tk::TObject* sender);

    void OpenHandles();
    void CloneStrips();
    void StripCopy(tk::TControl*& copy, int card);
    void LinkFaders();
    void BuildHints();
    void FillMeterList();
    void MoveWindowEdge(int growBy); // height grows by growBy, the bottom edge stays
    TSection* SectionOf(tk::TObject* box);
    tk::TControl& Named(const std::string& name) const;

    TMixerFrameData m_data;
    int m_cards{};
    bool m_ready{};
    bool m_updateGuard{};
    bool m_settingsLoaded{};
    int m_lastScroll{};
    int m_meterCounter{};
    int m_faderCounter{};
    int m_linkCounter{};
    int m_numberCounter{};
    tk::TCustomPanel* m_main{};
    tk::TCustomPanel* m_checks{};
    tk::TScrollBox* m_scroller{};
    tk::TWinControl* m_scrolledWith{};
    tk::TControl* m_meters{};
    tk::TWinControl* m_faderSection{};
    tk::TTimer* m_secTimer{};
    std::vector<TSection> m_sections;
    std::vector<tk::TComponent*> m_commandOrder;
    std::vector<TCopy> m_copies;
    std::vector<TBlock> m_blocks;
    SharedBlock* m_faderBlock{};
    SharedBlock* m_muteBlock{};
    std::array<HWAVEIN, 16> m_inHandles{};
    std::array<HWAVEOUT, 16> m_outHandles{};
    std::unique_ptr<TMetering> m_metering;
};

} // namespace krvl
