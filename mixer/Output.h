// What the two output windows share between the frame and themselves: each output pair plays a
// source (its own playback, another playback device of the card, or a record input for monitoring),
// chosen with grouped speed buttons, followed from the driver's notices and a once-a-second re-read,
// and metered wherever it comes from.
#pragma once

#include "mixer/Frame.h"

#include <array>

namespace tk {
class TSpeedButton;
}

namespace krvl {

// A notice the window registers for every output pair: the driver's event class and the window
// message it posts.
struct TNoticeData {
    WORD eventClass{};
    UINT message{};
};

class TOutputMixer : public TMixerFrame, public IOutputLevelSource {
public:
    // The last known playback source of an output pair (only its low byte counts).
    DWORD Selection(int card, int pair) const { return m_selection[Slot(card, pair)]; }

    // 1 the pair's own playback, 2 a record input, 3 another playback device, 0 an unknown code.
    int RouteType(int card, int pair) const override;
    HWAVEOUT OwnHandle(int card, int pair) const override { return OutHandle(HandleIndex(card, pair)); }
    HWAVEOUT SourceOut(int card, int pair) const override { return m_sources[Slot(card, pair)].out[0]; }
    HWAVEIN SourceIn(int card, int pair) const override { return m_sources[Slot(card, pair)].in[0]; }

protected:
    TOutputMixer(tk::TComponent* owner, TMixerFrameData data, std::vector<TNoticeData> notices);
    ~TOutputMixer() override;

    void AdjustCopy(tk::TControl*& copy, int card) override;
    // The window's own blocks (CreateOwnBlocks), then the level, source and notification blocks.
    void CreateBlocks() final;
    virtual void CreateOwnBlocks() {}
    void Created() override;
    void ReleaseDriver() override;
    std::unique_ptr<TMetering> MakeMetering() override;

    // Show: every pair's source in order, without comparing; false at the first refusal.
    bool ReadRoutes();
    // Reads one pair's source and, when it differs from the stored one (or compare is off), presses
    // its button and applies it without sending it back. False when the read is refused.
    bool RefreshRoute(int card, int pair, bool compare);
    // Sends the code when the update guard is open (false when refused), then moves the pair's
    // source handles and metering to it.
    bool ChangeRoute(int card, int pair, DWORD code);
    // The card and pair a driver notice names; false for one outside this window.
    bool NoticeTarget(const tk::TMessage& message, int& card, int& pair) const;

private:
    struct TSourceHandles {
        std::array<HWAVEIN, 2> in{};
        std::array<HWAVEOUT, 2> out{};
    };

    void MonButtonClick(tk::TObject* sender);
    void SecTimerTimer(tk::TObject* sender);
    void UMRouteChanged(tk::TMessage& message);

    std::size_t Slot(int card, int pair) const {
        return static_cast<std::size_t>(card * PairsPerCard() + pair);
    }
    // The code of the pair's own playback device.
    DWORD OwnCode(int pair) const;
    // The button column of a pair in a card's strip, or null.
    tk::TWinControl* RoutePanel(int card, int pair) const;
    // Presses the column's button that stands for code (no click); the others of its group come up.
    static void PressButton(tk::TWinControl& panel, int group, DWORD code);
    // Button clicked or pressed from the driver: apply the code and colour the column, or on a
    // refusal press the stored selection's button again.
    void SelectSource(tk::TWinControl& panel, int card, int pair, DWORD code, tk::TSpeedButton* clicked);
    void OpenSources(int card, int pair, DWORD code);
    void CloseSources(int card, int pair, int routeType);
    DWORD NoticeAddress(std::size_t notice, int card, int pair) const;

    std::vector<TNoticeData> m_notices;
    std::array<DWORD, kMaxCards * 2> m_selection{};
    std::array<TSourceHandles, kMaxCards * 2> m_sources{};
    TOutputMetering* m_outputMetering{};
    SharedBlock* m_sourceBlock{};
    std::vector<SharedBlock*> m_noticeBlocks;
};

} // namespace krvl
