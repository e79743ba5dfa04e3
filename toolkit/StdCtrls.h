// Labels, buttons, check boxes, radio buttons, group boxes, edit fields and drop-down lists.
#pragma once

#include "toolkit/Controls.h"

#include <string>
#include <vector>

namespace tk {

// A list of strings with a change hook (the items of a drop-down list).
class TStrings {
public:
    int Count() const { return static_cast<int>(m_items.size()); }
    const std::string& Strings(int index) const;
    const std::string& operator[](int index) const { return Strings(index); }
    void SetStrings(int index, const std::string& s);
    int Add(const std::string& s);
    void Insert(int index, const std::string& s);
    void Delete(int index);
    void Clear();
    int IndexOf(const std::string& s) const;
    void Assign(const std::vector<std::string>& items);
    const std::vector<std::string>& List() const { return m_items; }
    // The items joined with "\r\n" line ends, as the classic Text property.
    std::string Text() const;
    std::function<void()> OnChange;

private:
    void Changed() {
        if (OnChange) OnChange();
    }
    std::vector<std::string> m_items;
};

enum TTextLayout { tlTop, tlCenter, tlBottom };

class TCustomLabel : public TGraphicControl {
public:
    explicit TCustomLabel(TComponent* owner);
    std::string ClassName() const override { return "TCustomLabel"; }

    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment v);
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool v);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool v);
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool v);
    TTextLayout Layout() const { return m_layout; }
    void SetLayout(TTextLayout v);
    bool ShowAccelChar() const { return m_showAccelChar; }
    void SetShowAccelChar(bool v);
    TWinControl* FocusControl() const { return m_focusControl; }
    void SetFocusControl(TWinControl* control);

protected:
    void Paint(TCanvas& canvas) override;
    void TextChanged() override { AdjustBounds(); }
    void FontChanged() override { AdjustBounds(); }
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void AdjustBounds();

private:
    std::string ShownCaption() const;
    TAlignment m_alignment{taLeftJustify};
    bool m_autoSize{true};
    bool m_transparent{};
    bool m_wordWrap{};
    TTextLayout m_layout{tlTop};
    bool m_showAccelChar{true};
    TWinControl* m_focusControl{};
};

class TLabel : public TCustomLabel {
public:
    explicit TLabel(TComponent* owner) : TCustomLabel(owner) {}
    std::string ClassName() const override { return "TLabel"; }
};

// Buttons, check boxes and radio buttons: focusable, a click by the user runs PerformClick.
class TButtonControl : public TWinControl {
public:
    explicit TButtonControl(TComponent* owner);
    std::string ClassName() const override { return "TButtonControl"; }
};

class TButton : public TButtonControl {
public:
    explicit TButton(TComponent* owner);
    std::string ClassName() const override { return "TButton"; }

    bool Default() const { return m_default; }
    void SetDefault(bool v);
    bool Cancel() const { return m_cancel; }
    void SetCancel(bool v) { m_cancel = v; }
    TModalResult ModalResult() const { return m_modalResult; }
    void SetModalResult(TModalResult v) { m_modalResult = v; }

    // Sets the form's ModalResult from the button's, then raises OnClick.
    void Click() override;

protected:
    void Paint(TCanvas& canvas) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    bool m_default{};
    bool m_cancel{};
    TModalResult m_modalResult{mrNone};
    bool m_pressed{};
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCustomCheckBox : public TButtonControl {
public:
    explicit TCustomCheckBox(TComponent* owner);
    std::string ClassName() const override { return "TCustomCheckBox"; }

    bool Checked() const { return m_state == cbChecked; }
    // A change runs OnClick, also when set in code (not while the layout loads).
    void SetChecked(bool v) { SetState(v ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const { return m_state; }
    void SetState(TCheckBoxState state);
    bool AllowGrayed() const { return m_allowGrayed; }
    void SetAllowGrayed(bool v) { m_allowGrayed = v; }
    // taRightJustify: the caption right of the box (the usual look).
    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment v);
    void PerformClick() override;

protected:
    void Paint(TCanvas& canvas) override;

private:
    TCheckBoxState m_state{cbUnchecked};
    bool m_allowGrayed{};
    TAlignment m_alignment{taRightJustify};
};

class TCheckBox : public TCustomCheckBox {
public:
    explicit TCheckBox(TComponent* owner) : TCustomCheckBox(owner) {}
    std::string ClassName() const override { return "TCheckBox"; }
};

class TRadioButton : public TButtonControl {
public:
    explicit TRadioButton(TComponent* owner);
    std::string ClassName() const override { return "TRadioButton"; }

    bool Checked() const { return m_checked; }
    // Checking unchecks the radio buttons of the same parent and runs OnClick.
    void SetChecked(bool v);
    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment v);
    void PerformClick() override;

protected:
    void Paint(TCanvas& canvas) override;

private:
    bool m_checked{};
    TAlignment m_alignment{taRightJustify};
};

class TCustomGroupBox : public TCustomControl {
public:
    explicit TCustomGroupBox(TComponent* owner);
    std::string ClassName() const override { return "TCustomGroupBox"; }
    TRect AlignRect() const override;

protected:
    void Paint(TCanvas& canvas) override;
    void TextChanged() override;
};

class TGroupBox : public TCustomGroupBox {
public:
    explicit TGroupBox(TComponent* owner) : TCustomGroupBox(owner) {}
    std::string ClassName() const override { return "TGroupBox"; }
};

class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* owner);
    std::string ClassName() const override { return "TEdit"; }

    // Text is the control's caption; a change raises OnChange, also from code.
    TBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TBorderStyle v);
    int MaxLength() const { return m_maxLength; }
    void SetMaxLength(int v) { m_maxLength = v; }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool v) { m_readOnly = v; }
    bool AutoSelect() const { return m_autoSelect; }
    void SetAutoSelect(bool v) { m_autoSelect = v; }
    // Characters after which typed text goes; the whole text is replaced while selected.
    bool AllSelected() const { return m_allSelected; }
    void SelectAll();

    TNotifyEvent OnChange;

protected:
    void Paint(TCanvas& canvas) override;
    void KeyPress(char& key) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void TextChanged() override;
    void DoEnter() override;
    void DoExit() override;

private:
    TBorderStyle m_borderStyle{bsSingle};
    int m_maxLength{};
    bool m_readOnly{};
    bool m_autoSelect{true};
    bool m_allSelected{};
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TComboBox : public TWinControl {
public:
    explicit TComboBox(TComponent* owner);
    std::string ClassName() const override { return "TComboBox"; }

    TComboBoxStyle Style() const { return m_style; }
    void SetStyle(TComboBoxStyle v);
    TStrings& Items() { return m_items; }
    const TStrings& Items() const { return m_items; }
    void SetItems(const std::vector<std::string>& items);
    int ItemIndex() const { return m_itemIndex; }
    // Selects in code (no OnChange, as in the classic toolkit); -1 clears; out of range is ignored.
    void SetItemIndex(int index);
    int DropDownCount() const { return m_dropDownCount; }
    void SetDropDownCount(int v) { m_dropDownCount = v; }
    bool Sorted() const { return m_sorted; }
    void SetSorted(bool v);
    // What a user's choice from the list does: select, then OnChange and OnClick.
    void SelectByUser(int index);
    // Opens the list as a popup menu through the system layer and applies the choice.
    void DropDown();

    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;

protected:
    void Paint(TCanvas& canvas) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void Loaded() override;

private:
    void ItemsChanged();
    // A layout may store ItemIndex before the items; it applies once everything is read.
    int m_loadedIndex{-1};
    TComboBoxStyle m_style{csDropDown};
    TStrings m_items;
    int m_itemIndex{-1};
    int m_dropDownCount{8};
    bool m_sorted{};
};

} // namespace tk
