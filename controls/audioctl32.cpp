#include "controls/audioctl32.h"

#include "toolkit/FormReader.h"
#include "toolkit/Forms.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <mutex>
#include <string>

namespace krvl {

using namespace tk;

namespace {

// Nearest integer, halves to even; saturates outside the int range (NaN gives 0).
int RoundHalfEven(double x) {
    if (std::isnan(x)) return 0;
    if (x >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (x <= static_cast<double>(INT_MIN)) return INT_MIN;
    double lower = std::floor(x);
    double diff = x - lower;
    double r = lower;
    if (diff > 0.5)
        r = lower + 1.0;
    else if (diff == 0.5)
        r = std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
    return static_cast<int>(r);
}

const char* const kPositionRangeError = "Wert für Position liegt außerhalb von Min und Max";

constexpr TColor kZoneRed = 0x0000FF;
constexpr TColor kZoneOrange = 0x0080FF;
constexpr TColor kZoneGreen = 0x00FF00;

// Runs on the system's timer thread: touch nothing, only post.
void MeterTimerProc(UINT timerId, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    PostMessageA(reinterpret_cast<HWND>(user), UM_METERTICK, timerId, 0);
}

} // namespace

// ================================================================== TSlider

TSlider::TSlider(TComponent* owner) : TCustomPanel(owner) {
    SetBounds(Left(), Top(), 4, 149);
    SetColor(clBlack);
    SetBevelOuter(bvNone);
    SetBevelInner(bvLowered);
    SetCaption("");

    m_knob = New<TPanel>(this);
    m_knob->SetCaption("");
    m_knob->SetBounds(0, 0, 24, 14);
    m_knob->SetCtl3D(false);
    m_knob->SetParentCtl3D(false);
    m_knob->SetBorderStyle(bsSingle);
    m_knob->SetBorderWidth(1);
    m_knob->SetColor(clBtnFace);
    m_knob->OnMouseDown = [this](TObject*, TMouseButton b, TShiftState s, int x, int y) {
        KnobMouseDown(b, s, x, y);
    };
    m_knob->OnMouseMove = [this](TObject*, TShiftState s, int x, int y) { KnobMouseMove(s, x, y); };
    m_knob->OnMouseUp = [this](TObject*, TMouseButton b, TShiftState s, int x, int y) {
        KnobMouseUp(b, s, x, y);
    };

    m_knobLine = New<TBevel>(m_knob);
    m_knobLine->SetShape(bsTopLine);
    m_knobLine->SetStyle(bsLowered);
    m_knobLine->SetBounds(1, m_knobLine->Top(), m_knobLine->Width(), 2);
    m_knobLine->SetParent(m_knob);
    // The knob and its line may be destroyed with the track's parent before the fader itself.
    m_knob->FreeNotification(this);
    m_knobLine->FreeNotification(this);

    m_travel = Height() - 2 * m_moveRestriction;
    m_offset = 0;
    m_moveRestriction = 4;
}

TSlider::~TSlider() = default;

void TSlider::Notification(TComponent* component, TOperation operation) {
    TCustomPanel::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == m_knob) {
        m_knob = nullptr;
        m_knobLine = nullptr;
        m_dragging = false;
    }
    if (component == m_knobLine) m_knobLine = nullptr;
    if (component == m_linkCheck) m_linkCheck = nullptr;
}

void TSlider::SetLinkCheck(TCustomCheckBox* box) {
    if (box == m_linkCheck) return;
    if (m_linkCheck) m_linkCheck->RemoveFreeNotification(this);
    m_linkCheck = box;
    if (box) box->FreeNotification(this);
}

double TSlider::FractionFromPosition() const {
    if (m_max == m_min) return 0.0;
    return (static_cast<double>(m_position) - m_min) / (static_cast<double>(m_max) - m_min);
}

double TSlider::FractionFromOffset() const {
    if (m_travel == 0) return 0.0;
    return static_cast<double>(m_offset) / m_travel;
}

int TSlider::OffsetFromFraction() const {
    return RoundHalfEven(m_travel * m_fraction);
}

int TSlider::KnobLeft() const {
    return Left() + Width() / 2 - m_btnWidth / 2;
}

int TSlider::KnobTop() const {
    return Top() + Height() - m_btnHeight / 2 - m_offset - m_moveRestriction;
}

int TSlider::KnobLineTop() const {
    return m_knob ? (m_knob->Height() - 4) / 2 : 0;
}

void TSlider::ComputeTravel() {
    // A margin larger than half the track leaves no travel rather than a negative one.
    m_travel = std::max(0, Height() - 2 * m_moveRestriction);
}

void TSlider::ApplyFraction(double fraction) {
    if (Loading()) return;
    if (fraction < 0.0 || fraction > 1.0) throw ERangeError(kPositionRangeError);
    m_fraction = fraction;
    m_position = RoundHalfEven((static_cast<double>(m_max) - m_min) * fraction + m_min);
    m_offset = OffsetFromFraction();
    if (m_knob) m_knob->SetTop(KnobTop());
    if (OnChange) OnChange(this);
}

void TSlider::SetPosition(int value) {
    if (value < m_min)
        m_position = m_min;
    else if (value > m_max)
        m_position = m_max;
    else
        m_position = value;
    ApplyFraction(FractionFromPosition());
}

void TSlider::SetMin(int value) {
    // Re-places the knob on the old bounds; the new bound takes effect at the next placement.
    ApplyFraction(FractionFromPosition());
    m_min = value;
}

void TSlider::SetMax(int value) {
    ApplyFraction(FractionFromPosition());
    m_max = value;
}

void TSlider::SetBtnHeight(int value) {
    m_btnHeight = value;
    ComputeTravel();
    m_offset = OffsetFromFraction();
    if (!m_knob) return;
    m_knob->SetHeight(value);
    m_knob->SetTop(KnobTop());
    if (m_knobLine) m_knobLine->SetTop(KnobLineTop());
}

void TSlider::SetBtnWidth(int value) {
    m_btnWidth = value;
    if (!m_knob) return;
    m_knob->SetWidth(value);
    m_knob->SetLeft(KnobLeft());
    if (m_knobLine) m_knobLine->SetWidth(m_knob->Width() - 5);
}

void TSlider::SetMoveRestriction(int value) {
    m_moveRestriction = value;
    ComputeTravel();
    m_offset = OffsetFromFraction();
    if (m_knob) m_knob->SetTop(KnobTop());
}

void TSlider::ParentChanged() {
    TCustomPanel::ParentChanged();
    // The knob joins the track's parent now rather than at the first paint: a paint must not change
    // the parent's list of children while the parent walks it.
    if (!m_knob || !Parent() || m_knob->Parent() == Parent()) return;
    m_knob->SetParent(Parent());
    m_knob->SetBounds(KnobLeft(), KnobTop(), m_knob->Width(), m_knob->Height());
}

void TSlider::PlaceKnob() {
    if (!m_knob) return;
    m_knob->SetLeft(KnobLeft());
    if (Parent() && m_knob->Parent() != Parent()) m_knob->SetParent(Parent());
    ComputeTravel();
    // Bounds written after Position (in a layout, or at run time) are taken into account here, so
    // placing never fails on a stale Position.
    if (m_position < m_min)
        m_position = m_min;
    else if (m_position > m_max)
        m_position = m_max;
    ApplyFraction(FractionFromPosition());
    if (!m_knob) return; // OnChange may have taken the knob's parent away
    if (m_knobLine) {
        m_knobLine->SetTop(KnobLineTop());
        m_knobLine->SetWidth(m_knob->Width() - 5);
    }
    m_placed = true;
}

void TSlider::Loaded() {
    TCustomPanel::Loaded();
    if (Width() != 4) SetWidth(4);
    PlaceKnob();
}

void TSlider::Paint(TCanvas& canvas) {
    TCustomPanel::Paint(canvas);
    if (!m_placed) PlaceKnob();
    if (!m_knob) return;
    m_knob->SetLeft(KnobLeft());
    int top = KnobTop();
    if (top != m_knob->Top()) m_knob->SetTop(top);
}

void TSlider::Resize() {
    TCustomPanel::Resize();
    if (Width() != 4) SetWidth(4);
    ComputeTravel();
    m_offset = OffsetFromFraction();
    if (m_knob) m_knob->SetTop(KnobTop());
}

void TSlider::KnobMouseDown(TMouseButton, TShiftState, int, int y) {
    m_dragging = true;
    m_dragAnchor = y;
    // Any button drags, so the knob keeps the mouse for any button, not just the left one.
    if (m_knob) m_knob->SetMouseCapture(true);
}

void TSlider::KnobMouseMove(TShiftState, int, int y) {
    if (!m_dragging) return;
    int offset = m_offset - (y - m_dragAnchor);
    if (offset < 0)
        offset = 0;
    else if (offset > m_travel)
        offset = m_travel;
    m_offset = offset;
    ApplyFraction(FractionFromOffset());
}

void TSlider::KnobMouseUp(TMouseButton, TShiftState, int, int) {
    m_dragging = false;
    if (m_knob) m_knob->SetMouseCapture(false);
}

// ================================================================== TLumi

TLumi::TLumi(TComponent* owner) : TShape(owner) {
    SetShape(stRectangle);
    SetBounds(Left(), Top(), 16, 6);
    SetPen(TPen{clBlack, 1, psSolid});
    SetBrush(TBrush{m_colorOff, bsSolid});
}

void TLumi::SetOn(bool on) {
    if (on == m_on) return;
    SetBrushColor(on ? m_colorOn : m_colorOff);
    m_on = on;
}

// ================================================================== TBarGraph

TBarGraph::TBarGraph(TComponent* owner) : TPanel(owner) {
    SetBevelOuter(bvLowered);
    SetBounds(Left(), Top(), 18, 164);
    m_followResize = true;
    BuildLamps();
}

TLumi* TBarGraph::Lamp(int index) const {
    if (index < 0 || index >= m_lampCount || index >= ControlCount()) return nullptr;
    auto slot = static_cast<std::size_t>(index);
    if (slot < m_lamps.size() && Controls(index) == m_lamps[slot]) return m_lamps[slot];
    return dynamic_cast<TLumi*>(Controls(index));
}

void TBarGraph::SwitchLamp(int index, bool on) const {
    if (TLumi* lamp = Lamp(index)) lamp->SetOn(on);
}

void TBarGraph::ClampToLamps(int& index) const {
    int top = std::max(m_lampCount - 1, 0);
    if (index > top) index = top;
}

void TBarGraph::BuildLamps() {
    int step = m_lumiHeight - 1;
    m_lampCount = step > 0 ? std::max(Height() / step, 0) : 0;
    m_lamps.clear();
    for (int i = 0; i < m_lampCount; ++i) {
        TLumi* lamp = New<TLumi>(this);
        m_lamps.push_back(lamp);
        lamp->SetBounds(1, Height() - m_lumiHeight - 2 - i * step, Width() - 3, m_lumiHeight);
        lamp->SetColorOn(m_lumiColor);
        InsertControl(lamp);
    }
    // After a rebuild with fewer lamps, no later level write or tick may reach past the top lamp.
    ClampToLamps(m_litIndex);
}

void TBarGraph::DestroyLamps() {
    for (int n = ControlCount(); n > 0 && ControlCount() > 0; --n)
        Controls(0)->Free();
    m_lampCount = 0;
    m_lamps.clear();
}

void TBarGraph::SetLumiHeight(int value) {
    if (value < 2) throw ERangeError("Wert für LumiHeight muss mindestens 2 sein");
    DestroyLamps();
    m_lumiHeight = value;
    BuildLamps();
}

void TBarGraph::Loaded() {
    TPanel::Loaded();
    DestroyLamps();
    BuildLamps();
}

void TBarGraph::Resize() {
    TPanel::Resize();
    if (!m_followResize) return;
    int n = m_lampCount;
    int step = m_lumiHeight - 1;
    if (Height() >= (n + 1) * step + 2 || Height() < n * step + 2) {
        DestroyLamps();
        BuildLamps();
        SetOn(m_on);
    } else {
        for (int i = 0; i < n; ++i)
            if (TLumi* lamp = Lamp(i)) lamp->SetTop(Height() - m_lumiHeight - 2 - i * step);
    }
    for (int i = 0; i < m_lampCount; ++i)
        if (TLumi* lamp = Lamp(i)) lamp->SetWidth(Width() - 3);
}

void TBarGraph::SetLevel(int value) {
    if (value > m_levelMax) return;
    m_level = value;
    double fraction = m_levelMax != 0 ? static_cast<double>(value) / m_levelMax : 0.0;
    int target = RoundHalfEven(fraction * (m_lampCount - 1));
    ClampToLamps(target);
    if (target <= m_litIndex) return;
    for (int i = m_litIndex; i <= target; ++i)
        SwitchLamp(i, true);
    m_litIndex = target;
}

void TBarGraph::SetLevelMax(int value) {
    m_levelMax = value;
}

int TBarGraph::GetLevelMax() const {
    return m_levelMax;
}

void TBarGraph::SetOn(bool on) {
    SetLevel(on ? GetLevelMax() : 0);
    m_on = on;
}

// ================================================================== TLevelMeter

TLevelMeter::TLevelMeter(TComponent* owner) : TBarGraph(owner) {
    // The bar built its lamps before this class existed; colour them now.
    ColorZones();
    TBarGraph::SetLevelMax(511);
    SetLevelMax(32767);
    m_scale = 511.0 / std::log10(26.0);
    SetMessageHandler(UM_METERTICK, [this](TMessage& message) { UMMeterTick(message); });
}

TLevelMeter::~TLevelMeter() {
    SetTimerEnable(false);
}

void TLevelMeter::BuildLamps() {
    TBarGraph::BuildLamps();
    ClampToLamps(m_peakIndex);
    ColorZones();
}

void TLevelMeter::ColorZones() {
    int top = LampCount() - 1;
    int red = std::max(m_numLumisRed, 0);
    int orange = std::max(m_numLumisOrange, 0);
    for (int i = top; i >= 0; --i) {
        int fromTop = top - i;
        TColor color = fromTop < red ? kZoneRed : fromTop - red < orange ? kZoneOrange : kZoneGreen;
        if (TLumi* lamp = Lamp(i)) lamp->SetColorOn(color);
    }
}

void TLevelMeter::SetNumLumisRed(int value) {
    m_numLumisRed = value;
    ColorZones();
}

void TLevelMeter::SetNumLumisOrange(int value) {
    m_numLumisOrange = value;
    ColorZones();
}

void TLevelMeter::SetLevel(int value) {
    m_meterLevel = value;
    int scaled = value;
    if (value > 0) {
        // A non-positive full scale puts every positive level above it.
        scaled = m_levelDivisor > 0.0 ? RoundHalfEven(std::log10(value / m_levelDivisor + 1.0) * m_scale)
                                      : INT_MAX;
    }
    TBarGraph::SetLevel(scaled);
    if (m_litIndex >= m_peakIndex) {
        m_peakIndex = m_litIndex;
        m_holdCount = m_levelMaxHold / m_timerInterval;
    }
}

void TLevelMeter::SetLevelMax(int value) {
    m_meterLevelMax = value;
    m_levelDivisor = value / 25.0;
}

int TLevelMeter::GetLevelMax() const {
    return m_meterLevelMax;
}

void TLevelMeter::UMMeterTick(TMessage& message) {
    if (m_timerEnable && (message.WParam & 0xFFFF) != (m_timerId & 0xFFFF)) return;
    message.Result = 1;
    ClampToLamps(m_litIndex);
    ClampToLamps(m_peakIndex);
    if (m_litIndex <= 0) {
        SwitchLamp(0, false);
    } else {
        if (m_peakIndex != 0 && m_peakIndex <= m_litIndex)
            SwitchLamp(m_litIndex - 1, false);
        else
            SwitchLamp(m_litIndex, false);
        --m_litIndex;
    }
    if (m_holdCount > 0) {
        --m_holdCount;
        if (m_holdCount == 0) {
            SwitchLamp(m_peakIndex, false);
            m_peakIndex = 0;
        }
    }
}

void TLevelMeter::SetTimerEnable(bool enable) {
    if (enable) {
        if (ParentForm() && m_timerId == 0) {
            auto user = reinterpret_cast<DWORD_PTR>(Handle());
            m_timerId = timeSetEvent(m_timerInterval, m_timerInterval, &MeterTimerProc, user, TIME_PERIODIC);
        }
    } else if (m_timerId != 0) {
        // A running timer is stopped even when the meter has left its form, so it never outlives it.
        timeKillEvent(m_timerId);
        m_timerId = 0;
    }
    m_timerEnable = enable;
}

void TLevelMeter::SetTimerInterval(std::uint16_t interval) {
    if (interval == 0) throw ERangeError("Wert für TimerInterval muss größer als 0 sein");
    m_timerInterval = interval;
    if (m_timerEnable) {
        SetTimerEnable(false);
        SetTimerEnable(true);
    }
}

// ================================================================== registration

namespace {

// A 16-bit unsigned property; a value outside 0 ... 65535 is a layout error, not a silent wrap.
template <class T> TPropertySetter Word(void (T::*set)(std::uint16_t)) {
    return [set](TComponent& c, const TValue& v, TLoadContext& x) {
        int value = x.Int(v);
        if (value < 0 || value > 0xFFFF)
            x.Fail(v.line, "value " + std::to_string(value) + " is not 0 ... 65535");
        (TClassInfo::Cast<T>(c, x, v).*set)(static_cast<std::uint16_t>(value));
    };
}

} // namespace

void RegisterAudioControls() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterStandardClasses();

        RegisterClass<TSlider>("TSlider", "TCustomPanel")
            .Int("Min", &TSlider::SetMin)
            .Int("Max", &TSlider::SetMax)
            .Int("Position", &TSlider::SetPosition)
            .Int("BtnHeight", &TSlider::SetBtnHeight)
            .Int("BtnWidth", &TSlider::SetBtnWidth)
            .Int("MoveRestriction", &TSlider::SetMoveRestriction)
            .Int("Number", &TSlider::SetNumber)
            .Ref("LinkCheck", &TSlider::SetLinkCheck)
            .Event("OnChange", &TSlider::OnChange);

        RegisterClass<TLumi>("TLumi", "TShape")
            .Color("ColorOn", &TLumi::SetColorOn)
            .Color("ColorOff", &TLumi::SetColorOff)
            .Color("ColorFrame", &TLumi::SetColorFrame)
            .Bool("Frame", &TLumi::SetFrame)
            .Bool("_On", &TLumi::SetOn);

        RegisterClass<TBarGraph>("TBarGraph", "TPanel")
            .Int("Level", &TBarGraph::SetLevel)
            .Int("LevelMax", &TBarGraph::SetLevelMax)
            .Int("LumiHeight", &TBarGraph::SetLumiHeight)
            .Color("LumiColor", &TBarGraph::SetLumiColor)
            .Bool("_On", &TBarGraph::SetOn);

        RegisterClass<TLevelMeter>("TLevelMeter", "TBarGraph")
            .Int("NumLumisRed", &TLevelMeter::SetNumLumisRed)
            .Int("NumLumisOrange", &TLevelMeter::SetNumLumisOrange)
            .Bool("TimerEnable", &TLevelMeter::SetTimerEnable)
            .Property("TimerInterval", Word(&TLevelMeter::SetTimerInterval))
            .Property("LevelMaxHold", Word(&TLevelMeter::SetLevelMaxHold));
    });
}

} // namespace krvl
