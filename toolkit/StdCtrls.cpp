#include "toolkit/StdCtrls.h"

#include "toolkit/Forms.h"
#include "toolkit/Style.h"

#include <algorithm>

namespace tk {

// ================================================================== TStrings

const std::string& TStrings::Strings(int index) const {
    if (index < 0 || index >= Count())
        throw ERangeError("List index out of bounds (" + std::to_string(index) + ")");
    return m_items[static_cast<std::size_t>(index)];
}

void TStrings::SetStrings(int index, const std::string& s) {
    (void)Strings(index);
    m_items[static_cast<std::size_t>(index)] = s;
    Changed();
}

int TStrings::Add(const std::string& s) {
    m_items.push_back(s);
    Changed();
    return Count() - 1;
}

void TStrings::Insert(int index, const std::string& s) {
    if (index < 0 || index > Count())
        throw ERangeError("List index out of bounds (" + std::to_string(index) + ")");
    m_items.insert(m_items.begin() + index, s);
    Changed();
}

void TStrings::Delete(int index) {
    (void)Strings(index);
    m_items.erase(m_items.begin() + index);
    Changed();
}

void TStrings::Clear() {
    if (m_items.empty()) return;
    m_items.clear();
    Changed();
}

int TStrings::IndexOf(const std::string& s) const {
    for (int i = 0; i < Count(); ++i)
        if (SameText(m_items[static_cast<std::size_t>(i)], s)) return i;
    return -1;
}

void TStrings::Assign(const std::vector<std::string>& items) {
    m_items = items;
    Changed();
}

std::string TStrings::Text() const {
    std::string out;
    for (const auto& s : m_items)
        out += s + "\r\n";
    return out;
}

// ================================================================== TCustomLabel

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    SetParentColor(true);
    m_controlStyle |= csOpaque;
    SetBounds(0, 0, 65, 17);
}

void TCustomLabel::SetAlignment(TAlignment v) {
    if (v == m_alignment) return;
    m_alignment = v;
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool v) {
    if (v == m_autoSize) return;
    m_autoSize = v;
    AdjustBounds();
}

void TCustomLabel::SetTransparent(bool v) {
    if (v == m_transparent) return;
    m_transparent = v;
    // A transparent label fills nothing: what lies below it shows.
    SetOpaque(!v);
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool v) {
    if (v == m_wordWrap) return;
    m_wordWrap = v;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout v) {
    if (v == m_layout) return;
    m_layout = v;
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool v) {
    if (v == m_showAccelChar) return;
    m_showAccelChar = v;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* control) {
    if (m_focusControl) RemoveFreeNotification(m_focusControl);
    m_focusControl = control;
    if (control) FreeNotification(control);
}

void TCustomLabel::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == opRemove && component == m_focusControl) m_focusControl = nullptr;
}

void TCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

std::string TCustomLabel::ShownCaption() const {
    if (m_showAccelChar) return Caption();
    // Without accelerators every "&" is literal: doubled for the caption routines.
    std::string doubled;
    for (char c : Caption())
        doubled += c == '&' ? std::string("&&") : std::string(1, c);
    return doubled;
}

void TCustomLabel::AdjustBounds() {
    if (!m_autoSize || Loading()) return;
    std::string text = ShownCaption();
    TSize ext = style::CaptionExtent(text.empty() ? " " : text, Font(), m_wordWrap, Width());
    if (text.empty()) ext.cx = 0;
    int left = Left();
    if (m_alignment == taRightJustify) left += Width() - ext.cx;
    SetBounds(left, Top(), m_wordWrap ? Width() : ext.cx, ext.cy);
}

void TCustomLabel::Paint(TCanvas& canvas) {
    TRect r = ClientRect();
    if (!m_transparent) canvas.FillRect(r, Color());
    std::string text = ShownCaption();
    style::TextLayout layout = m_layout == tlTop      ? style::TextLayout::Top
                               : m_layout == tlCenter ? style::TextLayout::Center
                                                      : style::TextLayout::Bottom;
    style::CaptionText(canvas, r, text, Font(), m_alignment, layout, EffectivelyEnabled(), m_wordWrap);
}

// ================================================================== TButtonControl, TButton

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
}

TButton::TButton(TComponent* owner) : TButtonControl(owner) {
    SetBounds(0, 0, 75, 25);
}

void TButton::SetDefault(bool v) {
    if (v == m_default) return;
    m_default = v;
    Invalidate();
}

void TButton::Click() {
    if (TForm* form = ParentForm()) form->SetModalResult(m_modalResult);
    TButtonControl::Click();
}

void TButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) {
        m_pressed = true;
        Invalidate();
    }
    TButtonControl::MouseDown(button, shift, x, y);
}

void TButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft && m_pressed) {
        m_pressed = false;
        Invalidate();
    }
    TButtonControl::MouseUp(button, shift, x, y);
}

void TButton::Paint(TCanvas& canvas) {
    TRect r = ClientRect();
    bool focused = Focused();
    style::ButtonFace(canvas, r, m_pressed, m_default || focused);
    TRect text = m_pressed ? r.Offset(1, 1) : r;
    style::CaptionText(canvas, text, Caption(), Font(), taCenter, style::TextLayout::Center,
                       EffectivelyEnabled());
    if (focused) style::FocusRect(canvas, r.Inflate(-2, -2));
}

// ================================================================== TCustomCheckBox

TCustomCheckBox::TCustomCheckBox(TComponent* owner) : TButtonControl(owner) {
    m_controlStyle &= ~csDoubleClicks;
    SetBounds(0, 0, 97, 17);
}

void TCustomCheckBox::SetState(TCheckBoxState state) {
    if (state == m_state) return;
    m_state = state;
    Invalidate();
    // The classic toolkit runs the click handler on every change, from code too; a layout being
    // read assigns before its handlers are wired, so nothing runs then.
    if (!Loading()) Click();
}

void TCustomCheckBox::SetAlignment(TAlignment v) {
    if (v == m_alignment) return;
    m_alignment = v;
    Invalidate();
}

void TCustomCheckBox::PerformClick() {
    switch (m_state) {
    case cbUnchecked:
        SetState(m_allowGrayed ? cbGrayed : cbChecked);
        break;
    case cbGrayed:
        SetState(cbChecked);
        break;
    case cbChecked:
        SetState(cbUnchecked);
        break;
    }
}

static void PaintButtonWithMark(TCanvas& canvas, TControl& c, TAlignment alignment, bool focused,
                                const std::function<void(const TRect&)>& mark) {
    TRect r = c.ClientRect();
    canvas.FillRect(r, c.Color());
    const int size = 13;
    int top = (r.Height() - size) / 2;
    TRect box =
        alignment == taRightJustify ? Bounds(0, top, size, size) : Bounds(r.right - size, top, size, size);
    mark(box);
    TRect text = alignment == taRightJustify ? TRect{size + 4, 0, r.right, r.bottom}
                                             : TRect{0, 0, r.right - size - 4, r.bottom};
    style::CaptionText(canvas, text, c.Caption(), c.Font(), taLeftJustify, style::TextLayout::Center,
                       c.EffectivelyEnabled());
    if (focused && !c.Caption().empty()) {
        TSize ext = style::CaptionExtent(c.Caption(), c.Font());
        int ty = (r.Height() - ext.cy) / 2;
        style::FocusRect(canvas,
                         Bounds(text.left - 1, ty - 1, std::min(ext.cx + 2, text.Width()), ext.cy + 2));
    }
}

void TCustomCheckBox::Paint(TCanvas& canvas) {
    PaintButtonWithMark(canvas, *this, m_alignment, Focused(), [&](const TRect& box) {
        style::CheckBox(canvas, box, m_state != cbUnchecked, EffectivelyEnabled(), m_state == cbGrayed);
    });
}

// ================================================================== TRadioButton

TRadioButton::TRadioButton(TComponent* owner) : TButtonControl(owner) {
    m_controlStyle &= ~csDoubleClicks;
    SetBounds(0, 0, 113, 17);
}

void TRadioButton::SetChecked(bool v) {
    if (v == m_checked) return;
    m_checked = v;
    Invalidate();
    if (!v) return;
    if (TWinControl* parent = Parent()) {
        for (int i = 0; i < parent->ControlCount(); ++i)
            if (auto* sibling = dynamic_cast<TRadioButton*>(parent->Controls(i)); sibling && sibling != this)
                sibling->SetChecked(false);
    }
    if (!Loading()) Click();
}

void TRadioButton::SetAlignment(TAlignment v) {
    if (v == m_alignment) return;
    m_alignment = v;
    Invalidate();
}

void TRadioButton::PerformClick() {
    SetChecked(true);
}

void TRadioButton::Paint(TCanvas& canvas) {
    PaintButtonWithMark(canvas, *this, m_alignment, Focused(), [&](const TRect& box) {
        style::RadioButton(canvas, box, m_checked, EffectivelyEnabled());
    });
}

// ================================================================== TCustomGroupBox

TCustomGroupBox::TCustomGroupBox(TComponent* owner) : TCustomControl(owner) {
    m_controlStyle |= csAcceptsControls;
    m_controlStyle &= ~csClickEvents;
    SetBounds(0, 0, 185, 105);
}

TRect TCustomGroupBox::AlignRect() const {
    TRect r = ClientRect();
    r.top += MeasureText("0", Font()).cy;
    r = r.Inflate(-1, -1);
    if (Ctl3D()) r = r.Inflate(-1, -1);
    return r;
}

void TCustomGroupBox::TextChanged() {
    Invalidate();
}

void TCustomGroupBox::Paint(TCanvas& canvas) {
    TRect r = ClientRect();
    canvas.FillRect(r, Color());
    TSize ext = style::CaptionExtent(Caption(), Font());
    int textHeight = MeasureText("0", Font()).cy;
    TRect frame{0, textHeight / 2, r.right, r.bottom};
    style::GroupFrame(canvas, frame, 8, Caption().empty() ? 0 : ext.cx + 2);
    if (!Caption().empty()) {
        TRect text = Bounds(9, 0, ext.cx, textHeight);
        canvas.FillRect(text, Color());
        style::CaptionText(canvas, text, Caption(), Font(), taLeftJustify, style::TextLayout::Top,
                           EffectivelyEnabled());
    }
}

// ================================================================== TEdit

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
    SetColor(clWindow);
    SetTabStop(true);
    SetBounds(0, 0, 121, 21);
}

void TEdit::SetBorderStyle(TBorderStyle v) {
    if (v == m_borderStyle) return;
    m_borderStyle = v;
    Invalidate();
}

void TEdit::SelectAll() {
    m_allSelected = !Text().empty();
    Invalidate();
}

void TEdit::TextChanged() {
    m_allSelected = false;
    if (!Loading() && OnChange) OnChange(this);
}

void TEdit::DoEnter() {
    if (m_autoSelect) SelectAll();
    TWinControl::DoEnter();
}

void TEdit::DoExit() {
    m_allSelected = false;
    Invalidate();
    TWinControl::DoExit();
}

void TEdit::KeyPress(char& key) {
    TWinControl::KeyPress(key); // OnKeyPress may discard the key by setting it to 0
    if (key == 0 || m_readOnly) return;
    std::string text = m_allSelected ? std::string() : Text();
    if (key == static_cast<char>(VK_BACK)) {
        if (m_allSelected) {
            SetText("");
            return;
        }
        if (text.empty()) return;
        // Remove one UTF-8 character.
        std::size_t cut = text.size() - 1;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            --cut;
        text.erase(cut);
        SetText(text);
        return;
    }
    if (static_cast<unsigned char>(key) < 0x20) return;
    if (m_maxLength > 0 && static_cast<int>(text.size()) >= m_maxLength) return;
    text += key;
    SetText(text);
}

void TEdit::KeyDown(WORD& key, TShiftState shift) {
    TWinControl::KeyDown(key, shift);
    if (key == VK_DELETE && !m_readOnly && m_allSelected) SetText("");
    if ((key == VK_LEFT || key == VK_RIGHT || key == VK_HOME || key == VK_END) && m_allSelected) {
        m_allSelected = false;
        Invalidate();
    }
}

void TEdit::Paint(TCanvas& canvas) {
    TRect r = ClientRect();
    if (m_borderStyle == bsSingle) style::SingleBorder(canvas, r, Ctl3D());
    canvas.FillRect(r, EffectivelyEnabled() ? Color() : clBtnFace);
    TRect text = r.Inflate(-1, 0);
    TSize ext = MeasureText(Text().empty() ? " " : Text(), Font());
    int ty = text.top + (text.Height() - ext.cy) / 2;
    if (m_allSelected && Focused()) {
        canvas.FillRect(Bounds(text.left, ty, std::min(ext.cx, text.Width()), ext.cy), clHighlight);
        TFont f = Font();
        f.SetColor(clHighlightText);
        canvas.TextOut(text.left, ty, Text(), f);
    } else {
        TFont f = Font();
        if (!EffectivelyEnabled()) f.SetColor(clGrayText);
        canvas.TextOut(text.left, ty, Text(), f);
        if (Focused()) {
            int x = text.left + (Text().empty() ? 0 : ext.cx);
            canvas.Line(x, ty, x, ty + ext.cy, TPen{clWindowText, 1, psSolid});
        }
    }
}

// ================================================================== TComboBox

TComboBox::TComboBox(TComponent* owner) : TWinControl(owner) {
    SetColor(clWindow);
    SetTabStop(true);
    m_controlStyle &= ~csDoubleClicks;
    SetBounds(0, 0, 145, 21);
    m_items.OnChange = [this] { ItemsChanged(); };
}

void TComboBox::SetStyle(TComboBoxStyle v) {
    if (v == m_style) return;
    m_style = v;
    Invalidate();
}

void TComboBox::SetItems(const std::vector<std::string>& items) {
    m_items.Assign(items);
}

void TComboBox::ItemsChanged() {
    if (m_sorted) {
        auto list = m_items.List();
        if (!std::is_sorted(list.begin(), list.end())) {
            std::sort(list.begin(), list.end());
            m_items.Assign(list); // runs this again, sorted
            return;
        }
    }
    if (m_itemIndex >= m_items.Count()) m_itemIndex = -1;
    if (m_itemIndex >= 0) SetCaption(m_items[m_itemIndex]);
    Invalidate();
}

void TComboBox::SetSorted(bool v) {
    if (v == m_sorted) return;
    m_sorted = v;
    if (v) ItemsChanged();
}

void TComboBox::Loaded() {
    TWinControl::Loaded();
    int index = m_loadedIndex;
    m_loadedIndex = -1;
    if (index >= 0) SetItemIndex(index);
}

void TComboBox::SetItemIndex(int index) {
    if (Loading()) {
        m_loadedIndex = index;
        return;
    }
    if (index < -1 || index >= m_items.Count()) return;
    if (index == m_itemIndex) return;
    m_itemIndex = index;
    SetCaption(index >= 0 ? m_items[index] : std::string());
    Invalidate();
}

void TComboBox::SelectByUser(int index) {
    if (index < 0 || index >= m_items.Count()) return;
    SetItemIndex(index);
    TTracker alive(this);
    if (OnChange) OnChange(this);
    if (!alive) return;
    Click();
}

void TComboBox::DropDown() {
    if (m_items.Count() == 0) return;
    TTracker alive(this);
    if (OnDropDown) OnDropDown(this);
    if (!alive) return;
    HMENU menu = CreatePopupMenu();
    for (int i = 0; i < m_items.Count(); ++i)
        AppendMenuA(menu, MF_STRING | (i == m_itemIndex ? MF_CHECKED : 0), static_cast<UINT_PTR>(i + 1),
                    m_items[i].c_str());
    TPoint p = ClientToForm({0, Height()});
    TForm* form = ParentForm();
    if (form) {
        TPoint o = form->ClientOffset();
        p = {p.x + form->Left() + o.x, p.y + form->Top() + o.y};
    }
    auto choice = static_cast<INT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN, p.x, p.y, 0,
                                                  form ? form->Handle() : nullptr, nullptr));
    DestroyMenu(menu);
    if (choice > 0 && alive) SelectByUser(choice - 1);
}

void TComboBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TTracker alive(this);
    TWinControl::MouseDown(button, shift, x, y);
    if (alive && button == mbLeft) DropDown();
}

void TComboBox::KeyDown(WORD& key, TShiftState shift) {
    TWinControl::KeyDown(key, shift);
    if (key == VK_DOWN && m_itemIndex + 1 < m_items.Count())
        SelectByUser(m_itemIndex + 1);
    else if (key == VK_UP && m_itemIndex > 0)
        SelectByUser(m_itemIndex - 1);
}

void TComboBox::Paint(TCanvas& canvas) {
    TRect r = ClientRect();
    style::SunkenEdge(canvas, r);
    canvas.FillRect(r, EffectivelyEnabled() ? Color() : clBtnFace);
    int bw = 16;
    TRect button{r.right - bw, r.top, r.right, r.bottom};
    TRect face = button;
    style::ButtonFace(canvas, face, false, false);
    int cx = face.left + face.Width() / 2, cy = face.top + face.Height() / 2;
    TColor arrow = EffectivelyEnabled() ? clBtnText : clGrayText;
    canvas.Polygon({{cx - 3, cy - 1}, {cx + 4, cy - 1}, {cx, cy + 3}}, TPen{arrow, 1, psSolid},
                   TBrush{arrow, bsSolid});
    TRect text{r.left + 2, r.top, button.left - 1, r.bottom};
    TSize ext = MeasureText(Text().empty() ? " " : Text(), Font());
    int ty = text.top + (text.Height() - ext.cy) / 2;
    TFont f = Font();
    if (Focused()) {
        canvas.FillRect({text.left - 1, r.top + 1, text.right, r.bottom - 1}, clHighlight);
        f.SetColor(clHighlightText);
    } else if (!EffectivelyEnabled()) {
        f.SetColor(clGrayText);
    }
    canvas.Save();
    canvas.ClipRect(text);
    canvas.TextOut(text.left, ty, Text(), f);
    canvas.Restore();
}

} // namespace tk
