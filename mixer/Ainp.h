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
    void CreateBlocks() override;
    bool ReadDriverState() override;

private:
    void btnInpSelClick(tk::TObject* sender);
    void btnMonRouteClick(tk::TObject* sender);
    void WhenToMonClick(tk::TObject* sender);

    void ReadRouting();

    TInputRouting m_routing{2, InHandles()};
    SharedBlock* m_routingBlock{};
};

} // namespace krvl
