// The program's own audio controls: the vertical fader with its separate knob, the lamp, the lamp
// column and the logarithmic peak meter of the mixer windows.
#pragma once

#include "app/messages.h"
#include "system/win32.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/StdCtrls.h"

#include <cstdint>
#include <vector>

namespace krvl {

// ---- fader ---------------------------------------------------------------------------------------------

// A thin dark track (the panel itself) with a knob that is a separate control of the track's parent,
// so it can be wider than the 4-pixel track. The knob's height maps linearly to Position.
class TSlider : public tk::TCustomPanel {
public:
    explicit TSlider(tk::TComponent* owner);
    ~TSlider() override;
    std::string ClassName() const override { return "TSlider"; }

    int Min() const { return m_min; }
    void SetMin(int value);
    int Max() const { return m_max; }
    void SetMax(int value);
    int Position() const { return m_position; }
    // Clamps to Min ... Max, places the knob and raises OnChange (also when the value is the same).
    void SetPosition(int value);
    int BtnHeight() const { return m_btnHeight; }
    void SetBtnHeight(int value);
    int BtnWidth() const { return m_btnWidth; }
    void SetBtnWidth(int value);
    int MoveRestriction() const { return m_moveRestriction; }
    void SetMoveRestriction(int value);
    // For the owner only: the channel this fader stands for and the box that links it with its pair.
    int Number() const { return m_number; }
    void SetNumber(int value) { m_number = value; }
    tk::TCustomCheckBox* LinkCheck() const { return m_linkCheck; }
    void SetLinkCheck(tk::TCustomCheckBox* box);

    // The knob and where it stands: pixels above its lowest place (0 ... Travel) and relative height.
    tk::TPanel* Knob() const { return m_knob; }
    tk::TBevel* KnobLine() const { return m_knobLine; }
    int Travel() const { return m_travel; }
    int Offset() const { return m_offset; }
    double Fraction() const { return m_fraction; }
    bool Placed() const { return m_placed; }
    bool Dragging() const { return m_dragging; }

    // Raised after every placement of the knob.
    tk::TNotifyEvent OnChange;

protected:
    void Loaded() override;
    void Paint(tk::TCanvas& canvas) override;
    void Resize() override;
    void ParentChanged() override;
    void Notification(tk::TComponent* component, tk::TOperation operation) override;

private:
    void ApplyFraction(double fraction);
    double FractionFromPosition() const;
    double FractionFromOffset() const;
    int OffsetFromFraction() const;
    int KnobLeft() const;
    int KnobTop() const;
    int KnobLineTop() const;
    void ComputeTravel();
    void PlaceKnob();
    void KnobMouseDown(tk::TMouseButton button, tk::TShiftState shift, int x, int y);
    void KnobMouseMove(tk::TShiftState shift, int x, int y);
    void KnobMouseUp(tk::TMouseButton button, tk::TShiftState shift, int x, int y);

    tk::TPanel* m_knob{};
    tk::TBevel* m_knobLine{};
    int m_min{0};
    int m_max{100};
    int m_position{0};
    int m_btnHeight{14};
    int m_btnWidth{24};
    int m_moveRestriction{0};
    int m_number{};
    tk::TCustomCheckBox* m_linkCheck{};
    bool m_placed{};
    int m_offset{};
    int m_travel{};
    double m_fraction{};
    bool m_dragging{};
    int m_dragAnchor{};
};

// ---- lamps ---------------------------------------------------------------------------------------------

// One lamp: a rectangle filled with ColorOn or ColorOff, outlined in black. Only the lamp repaints
// when it changes.
class TLumi : public tk::TShape {
public:
    explicit TLumi(tk::TComponent* owner);
    std::string ClassName() const override { return "TLumi"; }

    bool On() const { return m_on; }
    // Changes the fill only when the state changes.
    void SetOn(bool on);
    tk::TColor ColorOn() const { return m_colorOn; }
    void SetColorOn(tk::TColor color) { m_colorOn = color; }
    tk::TColor ColorOff() const { return m_colorOff; }
    void SetColorOff(tk::TColor color) { m_colorOff = color; }
    // Kept for the layouts; they do not change the drawing.
    tk::TColor ColorFrame() const { return m_colorFrame; }
    void SetColorFrame(tk::TColor color) { m_colorFrame = color; }
    bool Frame() const { return m_frame; }
    void SetFrame(bool frame) { m_frame = frame; }

private:
    tk::TColor m_colorOn{0x00FF00};
    tk::TColor m_colorOff{0x808080};
    tk::TColor m_colorFrame{};
    bool m_frame{true};
    bool m_on{};
};

// A column of lamps, lamp 0 at the bottom, lit up to a level. A level only ever raises the bar.
class TBarGraph : public tk::TPanel {
public:
    explicit TBarGraph(tk::TComponent* owner);
    std::string ClassName() const override { return "TBarGraph"; }

    virtual int Level() const { return m_level; }
    virtual void SetLevel(int value);
    virtual void SetLevelMax(int value);
    virtual int GetLevelMax() const;
    int LumiHeight() const { return m_lumiHeight; }
    void SetLumiHeight(int value);
    tk::TColor LumiColor() const { return m_lumiColor; }
    void SetLumiColor(tk::TColor color) { m_lumiColor = color; }
    // Lamp test: true lights every lamp.
    bool On() const { return m_on; }
    void SetOn(bool on);

    int LampCount() const { return m_lampCount; }
    TLumi* Lamp(int index) const;
    // Index of the highest lamp the bar has lit.
    int LitIndex() const { return m_litIndex; }

    virtual void BuildLamps();
    virtual void DestroyLamps();

protected:
    void Loaded() override;
    void Resize() override;
    // Lamp changes and index clamps that never reach past the lamps that exist.
    void SwitchLamp(int index, bool on) const;
    void ClampToLamps(int& index) const;

    int m_litIndex{};

private:
    int m_level{};
    int m_levelMax{65535};
    int m_lumiHeight{6};
    tk::TColor m_lumiColor{0x00FF00};
    bool m_on{};
    int m_lampCount{};
    // The lamps as built, in order: a lookup per lamp change without a cast. A lamp counts only while it
    // is still the bar's control at its index.
    std::vector<TLumi*> m_lamps;
    // Off while the constructor sizes the bar, so the lamps are built once.
    bool m_followResize{};
};

// The mixer windows' peak meter: a logarithmic scale over the bar, red, orange and green zones, a bar
// that falls one lamp per UM_METERTICK and a peak lamp held for LevelMaxHold milliseconds.
class TLevelMeter : public TBarGraph {
public:
    explicit TLevelMeter(tk::TComponent* owner);
    ~TLevelMeter() override;
    std::string ClassName() const override { return "TLevelMeter"; }

    // The raw level last written (the bar keeps the scaled one, 0 ... 511).
    int Level() const override { return m_meterLevel; }
    int ScaledLevel() const { return TBarGraph::Level(); }
    void SetLevel(int value) override;
    void SetLevelMax(int value) override;
    int GetLevelMax() const override;
    int NumLumisRed() const { return m_numLumisRed; }
    void SetNumLumisRed(int value);
    int NumLumisOrange() const { return m_numLumisOrange; }
    void SetNumLumisOrange(int value);
    bool TimerEnable() const { return m_timerEnable; }
    void SetTimerEnable(bool enable);
    std::uint16_t TimerInterval() const { return m_timerInterval; }
    // A period of 0 is refused (it divides the hold time).
    void SetTimerInterval(std::uint16_t interval);
    std::uint16_t LevelMaxHold() const { return m_levelMaxHold; }
    void SetLevelMaxHold(std::uint16_t hold) { m_levelMaxHold = hold; }

    // 0 when the meter's own timer does not run.
    UINT TimerId() const { return m_timerId; }
    // 0 when no peak lamp is held.
    int PeakIndex() const { return m_peakIndex; }
    int HoldCount() const { return m_holdCount; }

    void BuildLamps() override;
    // One step of fall and hold countdown; owners pass their own timer's UM_METERTICK here.
    void UMMeterTick(tk::TMessage& message);

private:
    void ColorZones();

    int m_numLumisRed{2};
    int m_numLumisOrange{10};
    bool m_timerEnable{};
    std::uint16_t m_timerInterval{50};
    std::uint16_t m_levelMaxHold{2000};
    int m_meterLevel{};
    int m_meterLevelMax{32767};
    double m_levelDivisor{32767 / 25.0};
    double m_scale{};
    UINT m_timerId{};
    int m_peakIndex{};
    int m_holdCount{};
};

// Makes the four classes known to the form reader; safe to call more than once.
void RegisterAudioControls();

} // namespace krvl
