// The input windows' routing: a routing record per input pair (input source, monitor pair, monitor
// mode), read and sent with the routing messages, shown by grouped speed buttons whose caption colours
// tell what monitoring does.
#pragma once

#include "driver/ctrl.h"
#include "toolkit/Types.h"

#include <vector>

namespace tk {
class TControl;
class TSpeedButton;
class TWinControl;
} // namespace tk

namespace krvl {

// Button groups of a routing panel.
constexpr int kGroupMonitorPair = 1;
constexpr int kGroupMonitorMode = 2;
constexpr int kGroupInputSource = 3;

class TInputRouting {
public:
    explicit TInputRouting(int count) : m_records(static_cast<std::size_t>(count)) {}

    Routing& Record(int index) { return m_records.at(static_cast<std::size_t>(index)); }
    const Routing& Record(int index) const { return m_records.at(static_cast<std::size_t>(index)); }
    // DRVM_IN_GET_ROUTING into the block, which becomes the record; a monitor pair of 0 (none reported)
    // becomes defaultMonitor. The result is not checked: a failed read leaves the block as it was.
    void Read(int index, HWAVEIN handle, const SharedBlock& block, BYTE defaultMonitor);
    // DRVM_IN_SET_ROUTING with the record; the result is not checked.
    void Send(int index, HWAVEIN handle) const;

private:
    std::vector<Routing> m_records;
};

// The caption colour of a routing button.
void SetFontColor(tk::TControl& c, tk::TColor color);
// The value a routing button stands for: the low byte of its Tag.
BYTE ButtonValue(const tk::TControl& button);
// Sets the panel's buttons from the record: a button is down when its value is the record's byte of its
// group. Setting Down raises no click.
void ShowRouting(tk::TWinControl& panel, const Routing& record);
// Caption colours: a monitor pair grey when monitoring is off, red on record, purple on punch-in; a
// monitor mode the same way (grey without a monitor pair); an input source blue; black when up.
void RecolourRouting(tk::TWinControl& panel, const Routing& record);
// A further card's copy of an "Ana x-y" button is relabelled with that card's channel numbers.
void RelabelMonitorButton(tk::TControl& copy, int card);

} // namespace krvl
