// The digital input mixer: per card the input connector, the monitor routing and a stereo level meter
// of the card's Digital pair. The XLR and Cinch connectors show only on cards that have them.
#pragma once

#include "mixer/Frame.h"
#include "mixer/Routing.h"

namespace krvl {

class TfrmDigInp : public TMixerFrame {
public:
    explicit TfrmDigInp(tk::TComponent* owner);
    std::string ClassName() const override { return "TfrmDigInp"; }

    // The card's routing record as the window holds it.
    const Routing& RoutingOf(int card) const { return m_routing.Record(card); }

protected:
    TMixerClassState& ClassState() const override;
    void StripsCloned() override;
    void CreateBlocks() override;
    bool ReadDriverState() override;

private:
    void btnInpRouteClick(tk::TObject* sender);
    void btnMonRouteClick(tk::TObject* sender);
    void WhenToMonClick(tk::TObject* sender);

    TInputRouting m_routing{1, InHandles()};
    SharedBlock* m_routingBlock{};
};

} // namespace krvl
