// The mixer control window: opens and closes the mixer windows and the settings dialog, keeps them on
// top, holds the configuration record and each card's extended-connector flag.
#pragma once

#include "driver/cards.h"
#include "driver/config.h"
#include "toolkit/Forms.h"

#include <array>
#include <functional>

namespace tk {
class TPanel;
}
namespace controls {
class TExtCheckBox;
}

namespace krvl {

// What the control window asks of a mixer window it opened.
class IMixerWindow {
public:
    virtual ~IMixerWindow() = default;
    // False when the window could not get its shared blocks: it is then never shown.
    virtual bool Usable() const = 0;
};

enum class MixerKind { AnalogInputs, DigitalInputs, AnalogOutputs, DigitalOutputs };

// Each mixer window class registers how it is made; a box without a window class stays unchecked.
using MixerFactory = std::function<tk::TForm*(tk::TComponent* owner)>;
void RegisterMixerWindow(MixerKind kind, MixerFactory factory);
// The settings dialog: owner, the configuration record, the first card shown and the card count.
using SettingsFactory =
    std::function<tk::TForm*(tk::TComponent* owner, BYTE* config, int card, int cardCount)>;
void RegisterSettingsDialog(SettingsFactory factory);

class TMixControlWnd : public tk::TForm {
public:
    explicit TMixControlWnd(tk::TComponent* owner);
    ~TMixControlWnd() override;
    std::string ClassName() const override { return "TMixControlWnd"; }

    // True for cards whose digital status has bit 1 set.
    bool Extended(int card) const { return card >= 0 && card < kMaxCards && m_extended[card]; }
    BYTE* ConfigRecord() { return m_config.data(); }
    tk::TForm* MixerWindow(MixerKind kind) const { return m_slots[static_cast<int>(kind)].window; }
    tk::TForm* SettingsDialog() const { return m_settings; }

    // Re-applies stay-on-top after any activation change of the program or a mixer window.
    void FormActiveChanged(tk::TObject* sender);

    controls::TExtCheckBox* chkAnalogInputs{};
    controls::TExtCheckBox* chkDigitalInputs{};
    controls::TExtCheckBox* chkAnalogOutputs{};
    controls::TExtCheckBox* chkDigitalOutputs{};
    controls::TExtCheckBox* chkSettings{};
    controls::TExtCheckBox* chkStayOnTop{};

private:
    struct Slot {
        controls::TExtCheckBox* box{};
        tk::TForm* window{};
    };

    void FormCreate(tk::TObject* sender);
    void FormShow(tk::TObject* sender);
    void FormClose(tk::TObject* sender, tk::TCloseAction& action);
    void chkMixerClick(tk::TObject* sender);
    void chkSettingsClick(tk::TObject* sender);
    void chkStayOnTopClick(tk::TObject* sender);
    void UMTrayIcon(tk::TMessage& message);
    void UMMixerClosed(tk::TMessage& message);
    void WMGetMinMaxInfo(tk::TMessage& message);
    void ReadExtendedFlags();
    Slot* SlotOf(tk::TObject* box);

    std::array<Slot, 4> m_slots{};
    tk::TForm* m_settings{};
    std::array<BYTE, kConfigRecordSize> m_config{};
    std::array<bool, kMaxCards> m_extended{};
};

extern TMixControlWnd* MixControlWnd;

} // namespace krvl
