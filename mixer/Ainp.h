// The analog input mixer: per card and analog pair the input source, the monitor routing, a stereo
// level meter and a gain fader with a mute button per channel, the two faders of a pair linkable.
#pragma once

#include "mixer/Frame.h"
#include "mixer/Routing.h"

namespace tk {
class TSpeedButton;
}

namespace krvl {

class TfrmAnalogInp : public TMixerFrame {
public:
    explicit TfrmAnalogInp(tk::TComponent* owner);
    std::string ClassName() const override { return "TfrmAnalogInp"; }

    // The routing record of (card, pair) as the window holds it.
    const Routing& RoutingOf(int card, int pair) const { return m_routing.Record(card * 2 + pair); }

protected:
    TMixerClassState& ClassState() const override;
    void AdjustCopy(tk::TControl*& copy, int card) override;
    void CreateBlocks() override;
    bool ReadDriverState() override;

private:
    void btnInpSelClick(tk::TObject* sender);
    void btnMonRouteClick(tk::TObject* sender);
    void WhenToMonClick(tk::TObject* sender);

    void ReadRouting();
    // The record a routing button belongs to: its panel's card, its NumGlyphs - 1 the pair.
    int RecordOf(const tk::TSpeedButton& button) const;
    HWAVEIN PairHandle(int record) const { return InHandle(HandleIndex(record / 2, record % 2)); }
    // Changes one byte of the button's record, sends the record (when asked) and recolours its panel.
    void RoutingClick(tk::TObject* sender, BYTE Routing::*field, bool byDown, bool send);

    TInputRouting m_routing{kMaxCards * 2};
    SharedBlock* m_routingBlock{};
};

} // namespace krvl
