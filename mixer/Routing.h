// The input windows' routing: a routing record per input pair (input source, monitor pair, monitor
// mode), read and sent with the routing messages, shown by grouped speed buttons whose caption colours
// tell what monitoring does.
#pragma once

#include "driver/ctrl.h"
#include "toolkit/Types.h"

#include <vector>

namespace tk {
class TControl;
class TObject;
class TSpeedButton;
class TWinControl;
} // namespace tk

namespace krvl {

// Button groups of a routing panel.
constexpr int kGroupMonitorPair = 1;
constexpr int kGroupMonitorMode = 2;
constexpr int kGroupInputSource = 3;

// The routing records of an input window, pairsPerCard per card: record card × pairsPerCard + pair
// index goes out on the pair's channel-0 control handle, handles[record × 2].
class TInputRouting {
public:
    TInputRouting(int pairsPerCard, const HWAVEIN* handles);

    Routing& Record(int index) { return m_records.at(static_cast<std::size_t>(index)); }
    const Routing& Record(int index) const { return m_records.at(static_cast<std::size_t>(index)); }
    HWAVEIN Handle(int index) const;
    // The record a routing button belongs to: its panel's Tag is the card, its NumGlyphs - 1 the pair
    // index within the card.
    int RecordOf(const tk::TSpeedButton& button) const;
    // DRVM_IN_GET_ROUTING into the block, which becomes the record; a monitor pair of 0 (none reported)
    // becomes defaultMonitor. The result is not checked: a failed read leaves the block as it was.
    void Read(int index, const SharedBlock& block, BYTE defaultMonitor);
    // DRVM_IN_SET_ROUTING with the record; the result is not checked.
    void Send(int index) const;
    // A routing button's click. When send is set, field of the button's record becomes the button's
    // value (0 for a raised button when byDown is set) and the record is sent. The button's panel is
    // recoloured in any case.
    void Click(tk::TObject* sender, BYTE Routing::*field, bool byDown, bool send);
    // Every routing panel of the section shows its record and is recoloured.
    void ShowPanels(tk::TWinControl& section) const;

private:
    int m_pairsPerCard;
    const HWAVEIN* m_handles;
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
