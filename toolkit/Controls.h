// Visual controls: TControl (bounds, visibility, caption, font, mouse), TWinControl (children, alignment,
// window handle, message handlers), TGraphicControl and TCustomControl.
#pragma once

#include "toolkit/Component.h"
#include "toolkit/Graphics.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tk {

class TWinControl;
class TForm;
class TPopupMenu;

// Painting work, counted always (cheap relaxed increments) and never reset: benchmarks take differences.
struct TPaintActivity {
    std::uint64_t invalidations{};   // rectangles a form was told to repaint
    std::uint64_t invalidatedArea{}; // their total area in pixels
    std::uint64_t shapeFills{};      // fill colour changes of shapes (a meter's lamp going on or off)
    std::uint64_t paints{};          // client areas painted
    std::uint64_t controlsPainted{}; // controls whose Paint ran
};
TPaintActivity ReadPaintActivity();
namespace detail {
void NoteInvalidation(std::uint64_t area);
void NoteShapeFill();
void NotePaint();
} // namespace detail

struct TMessage {
    UINT Msg{};
    WPARAM WParam{};
    LPARAM LParam{};
    LRESULT Result{};
};
using TMessageHandler = std::function<void(TMessage& message)>;

using TControlStyle = unsigned;
constexpr TControlStyle csAcceptsControls = 1;
constexpr TControlStyle csCaptureMouse = 2;
constexpr TControlStyle csClickEvents = 4;
constexpr TControlStyle csDoubleClicks = 8;
constexpr TControlStyle csOpaque = 16;

class TOcclusion;
class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;
    std::string ClassName() const override { return "TControl"; }

    // ---- placement (in the parent's client coordinates) ----
    TWinControl* Parent() const { return m_parent; }
    virtual void SetParent(TWinControl* parent);
    int Left() const { return m_left; }
    int Top() const { return m_top; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void SetLeft(int v) { SetBounds(v, m_top, m_width, m_height); }
    void SetTop(int v) { SetBounds(m_left, v, m_width, m_height); }
    void SetWidth(int v) { SetBounds(m_left, m_top, v, m_height); }
    void SetHeight(int v) { SetBounds(m_left, m_top, m_width, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return Bounds(m_left, m_top, m_width, m_height); }
    void SetBoundsRect(const TRect& r) { SetBounds(r.left, r.top, r.Width(), r.Height()); }
    // The area children and painting use, in the control's own coordinates.
    virtual TRect ClientRect() const { return {0, 0, m_width, m_height}; }
    int ClientWidth() const { return ClientRect().Width(); }
    int ClientHeight() const { return ClientRect().Height(); }
    virtual void SetClientWidth(int v) { SetWidth(m_width - ClientWidth() + v); }
    virtual void SetClientHeight(int v) { SetHeight(m_height - ClientHeight() + v); }
    // Offset of the client origin from the bounds' top left (a form's frame, say).
    virtual TPoint ClientOffset() const { return {}; }
    // The control's client origin in the coordinates of its form's client area.
    TPoint FormOrigin() const;
    TPoint ClientToForm(TPoint p) const;
    TPoint FormToClient(TPoint p) const;
    TAlign Align() const { return m_align; }
    void SetAlign(TAlign align);

    // ---- state ----
    bool Visible() const { return m_visible; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible here and in every parent up to the form (the form's own visibility not included).
    bool Showing() const;
    bool Enabled() const { return m_enabled; }
    virtual void SetEnabled(bool enabled);
    // Enabled here and in every parent.
    bool EffectivelyEnabled() const;

    // ---- text and looks ----
    const std::string& Caption() const { return m_caption; }
    void SetCaption(const std::string& caption);
    const std::string& Text() const { return m_caption; }
    void SetText(const std::string& text) { SetCaption(text); }
    const TFont& Font() const { return m_font; }
    void SetFont(const TFont& font);
    bool ParentFont() const { return m_parentFont; }
    void SetParentFont(bool v);
    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    bool ParentColor() const { return m_parentColor; }
    void SetParentColor(bool v);
    bool Ctl3D() const { return m_ctl3D; }
    void SetCtl3D(bool v);
    bool ParentCtl3D() const { return m_parentCtl3D; }
    void SetParentCtl3D(bool v);
    const std::string& Hint() const { return m_hint; }
    void SetHint(const std::string& hint) { m_hint = hint; }
    bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool v);
    bool ParentShowHint() const { return m_parentShowHint; }
    void SetParentShowHint(bool v);
    TCursor Cursor() const { return m_cursor; }
    void SetCursor(TCursor cursor) { m_cursor = cursor; }
    TPopupMenu* PopupMenu() const { return m_popupMenu; }
    void SetPopupMenu(TPopupMenu* menu);
    TControlStyle ControlStyle() const { return m_controlStyle; }
    void SetControlStyle(TControlStyle style) { m_controlStyle = style; }
    bool MouseCapture() const;
    void SetMouseCapture(bool capture);

    // ---- painting ----
    // Marks the control's rectangle for repainting in its form.
    void Invalidate();
    // Paints the control (and, for containers, its children) on a canvas translated to its bounds.
    virtual void PaintTo(TCanvas& canvas);
    TForm* ParentForm() const;
    bool SetParentComponent(TComponent* parent) override;

    // ---- messages ----
    // Runs the message through the control's own handlers now.
    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    virtual void WndProc(TMessage& message);
    // What happens to a message no registered handler takes.
    virtual void DefaultHandler(TMessage& message);
    // A handler by message number; it may call DefaultHandler for the inherited behaviour.
    void SetMessageHandler(UINT msg, TMessageHandler handler);

    // ---- input, as the form's dispatch delivers it (coordinates in the control's client area) ----
    void DispatchMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void DispatchMouseMove(TShiftState shift, int x, int y);
    void DispatchMouseUp(TMouseButton button, TShiftState shift, int x, int y);
    // Raises OnClick (a button also sets its form's ModalResult).
    virtual void Click();
    // What a click by the user does: a check box toggles (and so runs Click), a button runs Click.
    virtual void PerformClick() { Click(); }
    virtual void DblClick();

    // ---- events ----
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnResize;

protected:
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void Paint(TCanvas& canvas);
    virtual void Resize();
    // Hooks after a property changed.
    virtual void TextChanged() {}
    virtual void FontChanged() {}
    virtual void ColorChanged() {}
    virtual void EnabledChanged() {}
    virtual void VisibleChanged() {}
    virtual void ParentChanged() {}
    void Notification(TComponent* component, TOperation operation) override;
    void Loaded() override;
    // Realigns the parent if this control's place there depends on its bounds.
    void RequestAlign();
    void InvalidateRect(const TRect& clientRect);

    // Follow the parent's font, colour, Ctl3D and hint flag (ParentX properties).
    void ParentFontChanged();
    void ParentColorChanged();
    void ParentCtl3DChanged();
    void ParentShowHintChanged();

private:
    friend class TWinControl;
    friend class TForm;

    TWinControl* m_parent{};
    int m_left{};
    int m_top{};
    int m_width{};
    int m_height{};
    TAlign m_align{alNone};
    bool m_visible{true};
    bool m_enabled{true};
    std::string m_caption;
    TFont m_font;
    bool m_parentFont{true};
    TColor m_color{clBtnFace};
    bool m_parentColor{};
    bool m_ctl3D{true};
    bool m_parentCtl3D{true};
    std::string m_hint;
    bool m_showHint{};
    bool m_parentShowHint{true};
    TCursor m_cursor{crDefault};
    TPopupMenu* m_popupMenu{};
    bool m_clicking{};
    // Set by TForm while it is fully alive, so controls destroyed with it no longer report to it.
    bool m_formFlag{};
    std::map<UINT, TMessageHandler> m_handlers;

protected:
    // Whether the control paints every pixel it owns, so painting may leave out what lies below it.
    void SetOpaque(bool opaque) {
        if (opaque)
            m_controlStyle |= csOpaque;
        else
            m_controlStyle &= ~csOpaque;
    }
    TControlStyle m_controlStyle{csCaptureMouse | csClickEvents | csDoubleClicks};
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;
    std::string ClassName() const override { return "TWinControl"; }

    int ControlCount() const { return static_cast<int>(m_controls.size()); }
    TControl* Controls(int index) const;
    bool ContainsControl(const TControl* control) const;
    // Adds at the end of the control order (the control's Parent becomes this).
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    // The topmost visible child at (x, y) of the client area, or null.
    TControl* ControlAtPos(int x, int y) const;

    // Places the aligned children as the classic toolkit does: top, bottom, left, right, then client.
    // changed: the child whose bounds, alignment or visibility just changed (it wins ties).
    void Realign(TControl* changed = nullptr);
    void DisableAlign() { ++m_alignDisabled; }
    void EnableAlign();
    // Moves every child by (dx, dy), as scrolling does: the children beyond the edges are clipped.
    virtual void ScrollBy(int dx, int dy);
    // The part of the client area the aligned children share (less borders and bevels).
    virtual TRect AlignRect() const { return ClientRect(); }

    // The system-layer window, created on first use.
    HWND Handle();
    bool HandleAllocated() const { return m_handle != nullptr; }
    // The handle a top-level window hangs under (null for windows without one).
    virtual HWND ParentHandle();

    // ---- focus ----
    bool TabStop() const { return m_tabStop; }
    void SetTabStop(bool v) { m_tabStop = v; }
    int TabOrder() const { return m_tabOrder; }
    void SetTabOrder(int order) { m_tabOrder = order; }
    bool Focused() const;
    virtual bool CanFocus() const;
    void SetFocus();

    void PaintTo(TCanvas& canvas) override;
    void DefaultHandler(TMessage& message) override;

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;

    // Called by the form when keyboard input reaches this control.
    void DispatchKeyDown(WORD& key, TShiftState shift);
    void DispatchKeyUp(WORD& key, TShiftState shift);
    void DispatchKeyPress(char& key);
    void DispatchEnter();
    void DispatchExit();

protected:
    virtual void AlignControls(TControl* changed, TRect& rect);
    virtual void KeyDown(WORD& key, TShiftState shift);
    virtual void KeyUp(WORD& key, TShiftState shift);
    virtual void KeyPress(char& key);
    virtual void DoEnter();
    virtual void DoExit();
    void Resize() override;
    void Loaded() override;
    void FontChanged() override;
    void ColorChanged() override;
    // Tells ParentX children that this control's font, colour, ... changed.
    void NotifyChildren(void (TControl::*change)());
    // The visible children in control order, each translated and clipped to itself, on a canvas at
    // this control's client origin; those the occlusion says are hidden are skipped.
    void PaintChildren(TCanvas& canvas, const TOcclusion& occlusion);
    // This control's own painting, then its children's at clientOffset (canvas coordinates). What
    // opaque children hide in every part of the clip is not painted (a lamp's change paints the
    // lamp, not the panels and labels under it).
    void PaintLayers(TCanvas& canvas, TPoint clientOffset);
    void DestroyHandle();

private:
    friend class TControl;
    friend class TForm;
    void AddChild(TControl* control);
    void RemoveChild(TControl* control);

    std::vector<TControl*> m_controls;
    int m_alignDisabled{};
    bool m_aligning{};
    HWND m_handle{};
    bool m_tabStop{};
    int m_tabOrder{-1};
};

// A control without children, painted on its parent.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner);
    std::string ClassName() const override { return "TGraphicControl"; }
};

class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* owner);
    std::string ClassName() const override { return "TCustomControl"; }
};

} // namespace tk
