// The property tables of the toolkit's own classes.
#include "toolkit/ExtCtrls.h"
#include "toolkit/FormReader.h"
#include "toolkit/Forms.h"
#include "toolkit/Menus.h"
#include "toolkit/StdCtrls.h"

#include <mutex>

namespace tk {

namespace {

const std::map<std::string, int> kAlign{{"alNone", alNone}, {"alTop", alTop},     {"alBottom", alBottom},
                                        {"alLeft", alLeft}, {"alRight", alRight}, {"alClient", alClient}};
const std::map<std::string, int> kAlignment{
    {"taLeftJustify", taLeftJustify}, {"taRightJustify", taRightJustify}, {"taCenter", taCenter}};
const std::map<std::string, int> kBevelCut{
    {"bvNone", bvNone}, {"bvLowered", bvLowered}, {"bvRaised", bvRaised}, {"bvSpace", bvSpace}};
const std::map<std::string, int> kBorderStyle{{"bsNone", bsNone}, {"bsSingle", bsSingle}};
const std::map<std::string, int> kFormBorderStyle{
    {"bsNone", bsNone},     {"bsSingle", bsSingle},         {"bsSizeable", bsSizeable},
    {"bsDialog", bsDialog}, {"bsToolWindow", bsToolWindow}, {"bsSizeToolWin", bsSizeToolWin}};
const std::map<std::string, int> kPosition{{"poDesigned", poDesigned},
                                           {"poDefault", poDefault},
                                           {"poDefaultPosOnly", poDefaultPosOnly},
                                           {"poDefaultSizeOnly", poDefaultSizeOnly},
                                           {"poScreenCenter", poScreenCenter},
                                           {"poDesktopCenter", poDesktopCenter}};
const std::map<std::string, int> kWindowState{
    {"wsNormal", wsNormal}, {"wsMinimized", wsMinimized}, {"wsMaximized", wsMaximized}};
const std::map<std::string, int> kFormStyle{{"fsNormal", fsNormal},
                                            {"fsMDIChild", fsMDIChild},
                                            {"fsMDIForm", fsMDIForm},
                                            {"fsStayOnTop", fsStayOnTop}};
const std::map<std::string, int> kCursor{
    {"crDefault", crDefault}, {"crNone", crNone},          {"crArrow", crArrow},
    {"crCross", crCross},     {"crIBeam", crIBeam},        {"crSizeNS", crSizeNS},
    {"crSizeWE", crSizeWE},   {"crUpArrow", crUpArrow},    {"crHourGlass", crHourGlass},
    {"crNo", crNo},           {"crHandPoint", crHandPoint}};
const std::map<std::string, int> kCharset{
    {"ANSI_CHARSET", 0}, {"DEFAULT_CHARSET", 1}, {"SYMBOL_CHARSET", 2}, {"OEM_CHARSET", 255}};
const std::map<std::string, unsigned> kFontStyles{
    {"fsBold", fsBold}, {"fsItalic", fsItalic}, {"fsUnderline", fsUnderline}, {"fsStrikeOut", fsStrikeOut}};
const std::map<std::string, int> kModalResult{
    {"mrNone", mrNone},   {"mrOk", mrOk},       {"mrCancel", mrCancel},
    {"mrAbort", mrAbort}, {"mrRetry", mrRetry}, {"mrIgnore", mrIgnore},
    {"mrYes", mrYes},     {"mrNo", mrNo},       {"mrAll", mrAll}};
const std::map<std::string, int> kCheckBoxState{
    {"cbUnchecked", cbUnchecked}, {"cbChecked", cbChecked}, {"cbGrayed", cbGrayed}};
const std::map<std::string, int> kTextLayout{
    {"tlTop", tlTop}, {"tlCenter", tlCenter}, {"tlBottom", tlBottom}};
const std::map<std::string, int> kComboStyle{{"csDropDown", csDropDown},
                                             {"csSimple", csSimple},
                                             {"csDropDownList", csDropDownList},
                                             {"csOwnerDrawFixed", csOwnerDrawFixed},
                                             {"csOwnerDrawVariable", csOwnerDrawVariable}};

// A font sub-property: copy the control's font, change one field, assign it back.
template <class F> TPropertySetter FontField(F change) {
    return [change](TComponent& c, const TValue& v, TLoadContext& x) {
        auto& control = TClassInfo::Cast<TControl>(c, x, v);
        TFont font = control.Font();
        change(font, v, x);
        control.SetFont(font);
    };
}

template <class E, class F> TPropertySetter Handler(E TControl::*event, F find) {
    return [event, find](TComponent& c, const TValue& v, TLoadContext& x) {
        auto& control = TClassInfo::Cast<TControl>(c, x, v);
        const std::string& name = x.Ident(v);
        const auto* handler = find(x.RootForm(v.line), name);
        if (!handler) x.Fail(v.line, "Unknown event handler '" + name + "'");
        control.*event = *handler;
    };
}

template <class T, class E, class F> TPropertySetter HandlerOf(E T::*event, F find) {
    return [event, find](TComponent& c, const TValue& v, TLoadContext& x) {
        auto& target = TClassInfo::Cast<T>(c, x, v);
        const std::string& name = x.Ident(v);
        const auto* handler = find(x.RootForm(v.line), name);
        if (!handler) x.Fail(v.line, "Unknown event handler '" + name + "'");
        target.*event = *handler;
    };
}

const auto kNotify = [](const TForm& f, const std::string& n) { return f.FindMethod(n); };
const auto kMouse = [](const TForm& f, const std::string& n) { return f.FindMouseMethod(n); };
const auto kMouseMove = [](const TForm& f, const std::string& n) { return f.FindMouseMoveMethod(n); };
const auto kKey = [](const TForm& f, const std::string& n) { return f.FindKeyMethod(n); };
const auto kKeyPress = [](const TForm& f, const std::string& n) { return f.FindKeyPressMethod(n); };
const auto kClose = [](const TForm& f, const std::string& n) { return f.FindCloseMethod(n); };

void RegisterCore() {
    RegisterClass("TComponent", "", nullptr).Int<TComponent>("Tag", &TComponent::SetTag);

    auto& control = RegisterClass("TControl", "TComponent", nullptr);
    control.Int<TControl>("Left", &TControl::SetLeft)
        .Int<TControl>("Top", &TControl::SetTop)
        .Int<TControl>("Width", &TControl::SetWidth)
        .Int<TControl>("Height", &TControl::SetHeight)
        .Int<TControl>("ClientWidth", &TControl::SetClientWidth)
        .Int<TControl>("ClientHeight", &TControl::SetClientHeight)
        .Bool<TControl>("Visible", &TControl::SetVisible)
        .Bool<TControl>("Enabled", &TControl::SetEnabled)
        .Str<TControl>("Caption", &TControl::SetCaption)
        .Str<TControl>("Text", &TControl::SetText)
        .Color<TControl>("Color", &TControl::SetColor)
        .Bool<TControl>("ParentColor", &TControl::SetParentColor)
        .Bool<TControl>("ParentFont", &TControl::SetParentFont)
        .Bool<TControl>("Ctl3D", &TControl::SetCtl3D)
        .Bool<TControl>("ParentCtl3D", &TControl::SetParentCtl3D)
        .Str<TControl>("Hint", &TControl::SetHint)
        .Bool<TControl>("ShowHint", &TControl::SetShowHint)
        .Bool<TControl>("ParentShowHint", &TControl::SetParentShowHint)
        .Enum<TControl, TAlign>("Align", &TControl::SetAlign, kAlign)
        .Ref<TControl, TPopupMenu>("PopupMenu", &TControl::SetPopupMenu)
        .Property("Cursor",
                  [](TComponent& c, const TValue& v, TLoadContext& x) {
                      auto& t = TClassInfo::Cast<TControl>(c, x, v);
                      t.SetCursor(v.kind == TValue::Integer ? x.Int(v) : x.Enum(v, kCursor));
                  })
        .Property("Font.Name",
                  FontField([](TFont& f, const TValue& v, TLoadContext& x) { f.SetName(x.Str(v)); }))
        .Property("Font.Height",
                  FontField([](TFont& f, const TValue& v, TLoadContext& x) { f.SetHeight(x.Int(v)); }))
        .Property("Font.Size",
                  FontField([](TFont& f, const TValue& v, TLoadContext& x) { f.SetSize(x.Int(v)); }))
        .Property("Font.Color",
                  FontField([](TFont& f, const TValue& v, TLoadContext& x) { f.SetColor(x.Color(v)); }))
        .Property("Font.Style", FontField([](TFont& f, const TValue& v, TLoadContext& x) {
                      f.SetStyle(x.SetOf(v, kFontStyles));
                  }))
        .Property("Font.Charset", FontField([](TFont& f, const TValue& v, TLoadContext& x) {
                      f.SetCharset(v.kind == TValue::Integer ? x.Int(v) : x.Enum(v, kCharset));
                  }))
        .Ignored("Font.Pitch")
        .Ignored("DragCursor")
        .Ignored("DragMode")
        .Ignored("HelpContext")
        .Property("OnClick", Handler(&TControl::OnClick, kNotify))
        .Property("OnDblClick", Handler(&TControl::OnDblClick, kNotify))
        .Property("OnMouseDown", Handler(&TControl::OnMouseDown, kMouse))
        .Property("OnMouseMove", Handler(&TControl::OnMouseMove, kMouseMove))
        .Property("OnMouseUp", Handler(&TControl::OnMouseUp, kMouse))
        .Property("OnResize", Handler(&TControl::OnResize, kNotify));

    auto& win = RegisterClass("TWinControl", "TControl", nullptr);
    win.Int<TWinControl>("TabOrder", &TWinControl::SetTabOrder)
        .Bool<TWinControl>("TabStop", &TWinControl::SetTabStop)
        .Property("OnEnter", HandlerOf<TWinControl>(&TWinControl::OnEnter, kNotify))
        .Property("OnExit", HandlerOf<TWinControl>(&TWinControl::OnExit, kNotify))
        .Property("OnKeyDown", HandlerOf<TWinControl>(&TWinControl::OnKeyDown, kKey))
        .Property("OnKeyUp", HandlerOf<TWinControl>(&TWinControl::OnKeyUp, kKey))
        .Property("OnKeyPress", HandlerOf<TWinControl>(&TWinControl::OnKeyPress, kKeyPress));
    RegisterClass("TGraphicControl", "TControl", nullptr);
    RegisterClass("TCustomControl", "TWinControl", nullptr);

    auto& panel = RegisterClass("TCustomPanel", "TCustomControl", nullptr);
    panel.Enum<TCustomPanel, TBevelCut>("BevelInner", &TCustomPanel::SetBevelInner, kBevelCut)
        .Enum<TCustomPanel, TBevelCut>("BevelOuter", &TCustomPanel::SetBevelOuter, kBevelCut)
        .Int<TCustomPanel>("BevelWidth", &TCustomPanel::SetBevelWidth)
        .Int<TCustomPanel>("BorderWidth", &TCustomPanel::SetBorderWidth)
        .Enum<TCustomPanel, TBorderStyle>("BorderStyle", &TCustomPanel::SetBorderStyle, kBorderStyle)
        .Enum<TCustomPanel, TAlignment>("Alignment", &TCustomPanel::SetAlignment, kAlignment)
        .Bool<TCustomPanel>("FullRepaint", &TCustomPanel::SetFullRepaint)
        .Ignored("Locked");
    RegisterClass<TPanel>("TPanel", "TCustomPanel");

    auto& form = RegisterClass("TForm", "TWinControl", nullptr);
    form.Enum<TForm, TFormBorderStyle>("BorderStyle", &TForm::SetBorderStyle, kFormBorderStyle)
        .Enum<TForm, TPosition>("Position", &TForm::SetPosition, kPosition)
        .Enum<TForm, TWindowState>("WindowState", &TForm::SetWindowState, kWindowState)
        .Enum<TForm, TFormStyle>("FormStyle", &TForm::SetFormStyle, kFormStyle)
        .Bool<TForm>("KeyPreview", &TForm::SetKeyPreview)
        .Ref<TForm, TWinControl>("ActiveControl", &TForm::SetActiveControl)
        .Property("OnCreate", HandlerOf<TForm>(&TForm::OnCreate, kNotify))
        .Property("OnShow", HandlerOf<TForm>(&TForm::OnShow, kNotify))
        .Property("OnHide", HandlerOf<TForm>(&TForm::OnHide, kNotify))
        .Property("OnClose", HandlerOf<TForm>(&TForm::OnClose, kClose))
        .Property("OnDestroy", HandlerOf<TForm>(&TForm::OnDestroy, kNotify))
        .Property("OnActivate", HandlerOf<TForm>(&TForm::OnActivate, kNotify))
        .Property("OnDeactivate", HandlerOf<TForm>(&TForm::OnDeactivate, kNotify))
        .Ignored("BorderIcons")
        .Ignored("PixelsPerInch")
        .Ignored("TextHeight")
        .Ignored("OldCreateOrder")
        .Ignored("Scaled")
        .Ignored("AutoScroll")
        .Ignored("Icon.Data")
        .Ignored("HorzScrollBar.Visible")
        .Ignored("VertScrollBar.Visible")
        .Ignored("HorzScrollBar.Range")
        .Ignored("VertScrollBar.Range");

    RegisterClass<TPopupMenu>("TPopupMenu", "TComponent")
        .Bool<TPopupMenu>("AutoPopup", &TPopupMenu::SetAutoPopup)
        .Property("OnPopup", HandlerOf<TPopupMenu>(&TPopupMenu::OnPopup, kNotify));
    RegisterClass<TMenuItem>("TMenuItem", "TComponent")
        .Str<TMenuItem>("Caption", &TMenuItem::SetCaption)
        .Bool<TMenuItem>("Checked", &TMenuItem::SetChecked)
        .Bool<TMenuItem>("Enabled", &TMenuItem::SetEnabled)
        .Bool<TMenuItem>("Visible", &TMenuItem::SetVisible)
        .Bool<TMenuItem>("Default", &TMenuItem::SetDefault)
        .Ignored("ShortCut")
        .Property("OnClick", HandlerOf<TMenuItem>(&TMenuItem::OnClick, kNotify));
}

void RegisterStdCtrls() {
    auto& label = RegisterClass("TCustomLabel", "TGraphicControl", nullptr);
    label.Enum<TCustomLabel, TAlignment>("Alignment", &TCustomLabel::SetAlignment, kAlignment)
        .Bool<TCustomLabel>("AutoSize", &TCustomLabel::SetAutoSize)
        .Bool<TCustomLabel>("Transparent", &TCustomLabel::SetTransparent)
        .Bool<TCustomLabel>("WordWrap", &TCustomLabel::SetWordWrap)
        .Bool<TCustomLabel>("ShowAccelChar", &TCustomLabel::SetShowAccelChar)
        .Enum<TCustomLabel, TTextLayout>("Layout", &TCustomLabel::SetLayout, kTextLayout)
        .Ref<TCustomLabel, TWinControl>("FocusControl", &TCustomLabel::SetFocusControl);
    RegisterClass<TLabel>("TLabel", "TCustomLabel");

    RegisterClass("TButtonControl", "TWinControl", nullptr);
    RegisterClass<TButton>("TButton", "TButtonControl")
        .Bool<TButton>("Default", &TButton::SetDefault)
        .Bool<TButton>("Cancel", &TButton::SetCancel)
        .Property("ModalResult", [](TComponent& c, const TValue& v, TLoadContext& x) {
            auto& b = TClassInfo::Cast<TButton>(c, x, v);
            b.SetModalResult(v.kind == TValue::Integer ? x.Int(v) : x.Enum(v, kModalResult));
        });
    RegisterClass("TCustomCheckBox", "TButtonControl", nullptr)
        .Bool<TCustomCheckBox>("Checked", &TCustomCheckBox::SetChecked)
        .Bool<TCustomCheckBox>("AllowGrayed", &TCustomCheckBox::SetAllowGrayed)
        .Enum<TCustomCheckBox, TCheckBoxState>("State", &TCustomCheckBox::SetState, kCheckBoxState)
        .Enum<TCustomCheckBox, TAlignment>("Alignment", &TCustomCheckBox::SetAlignment, kAlignment);
    RegisterClass<TCheckBox>("TCheckBox", "TCustomCheckBox");
    RegisterClass<TRadioButton>("TRadioButton", "TButtonControl")
        .Bool<TRadioButton>("Checked", &TRadioButton::SetChecked)
        .Enum<TRadioButton, TAlignment>("Alignment", &TRadioButton::SetAlignment, kAlignment);
    RegisterClass("TCustomGroupBox", "TCustomControl", nullptr);
    RegisterClass<TGroupBox>("TGroupBox", "TCustomGroupBox");
    RegisterClass<TEdit>("TEdit", "TWinControl")
        .Enum<TEdit, TBorderStyle>("BorderStyle", &TEdit::SetBorderStyle, kBorderStyle)
        .Int<TEdit>("MaxLength", &TEdit::SetMaxLength)
        .Bool<TEdit>("ReadOnly", &TEdit::SetReadOnly)
        .Bool<TEdit>("AutoSelect", &TEdit::SetAutoSelect)
        .Ignored("AutoSize")
        .Property("OnChange", HandlerOf<TEdit>(&TEdit::OnChange, kNotify));
    RegisterClass<TComboBox>("TComboBox", "TWinControl")
        .Enum<TComboBox, TComboBoxStyle>("Style", &TComboBox::SetStyle, kComboStyle)
        .Int<TComboBox>("ItemIndex", &TComboBox::SetItemIndex)
        .Int<TComboBox>("DropDownCount", &TComboBox::SetDropDownCount)
        .Bool<TComboBox>("Sorted", &TComboBox::SetSorted)
        .Ignored("ItemHeight")
        .Property("Items.Strings",
                  [](TComponent& c, const TValue& v, TLoadContext& x) {
                      TClassInfo::Cast<TComboBox>(c, x, v).SetItems(x.Strings(v));
                  })
        .Property("OnChange", HandlerOf<TComboBox>(&TComboBox::OnChange, kNotify))
        .Property("OnDropDown", HandlerOf<TComboBox>(&TComboBox::OnDropDown, kNotify));
}

} // namespace

void RegisterExtraStandardClasses();

void RegisterStandardClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterCore();
        RegisterStdCtrls();
        RegisterExtraStandardClasses();
    });
}

} // namespace tk
