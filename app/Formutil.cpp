#include "app/Formutil.h"

#include "controls/Class_b.h"
#include "controls/audioctl32.h"
#include "system/sys.h"
#include "toolkit/Buttons.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/StdCtrls.h"

#include <climits>
#include <cstdio>
#include <map>
#include <vector>

namespace krvl {
namespace {

// One settings-file section, opened anew for each call.
class Section {
public:
    Section(std::string file, std::string name) : m_file(std::move(file)), m_name(std::move(name)) {}

    int Int(const std::string& key, int current) const {
        return static_cast<int>(GetPrivateProfileIntA(m_name.c_str(), key.c_str(), current, m_file.c_str()));
    }
    bool Bool(const std::string& key, bool current) const { return Int(key, current ? 1 : 0) != 0; }
    std::string Str(const std::string& key, const std::string& current) const {
        std::vector<char> buf(4096);
        GetPrivateProfileStringA(m_name.c_str(), key.c_str(), current.c_str(), buf.data(),
                                 static_cast<DWORD>(buf.size()), m_file.c_str());
        return buf.data();
    }
    // Writes are gathered and stored by Flush as one replacement of the file, so a save is never
    // half done.
    void Write(const std::string& key, const std::string& value) { m_pending.emplace_back(key, value); }
    void Write(const std::string& key, int value) { Write(key, std::to_string(value)); }
    void Write(const std::string& key, bool value) { Write(key, std::string(value ? "1" : "0")); }
    bool Flush() {
        bool ok = sys::WriteProfileEntries(m_file, m_name, m_pending);
        m_pending.clear();
        return ok;
    }

private:
    std::string m_file;
    std::string m_name;
    std::vector<std::pair<std::string, std::string>> m_pending;
};

struct SaveReports {
    bool sessionEnding{};
    bool told{}; // a failure was told and no save has worked since
    SaveReportSink sink;
};

SaveReports& Reports() {
    static SaveReports reports;
    return reports;
}

// One message for a settings folder that takes no writes, however many windows and keys fail with it;
// the next failure after a save that worked is told again.
void ReportSave(bool ok, const std::string& fileName) {
    SaveReports& reports = Reports();
    if (ok) {
        reports.told = false;
        return;
    }
    if (reports.told) return;
    reports.told = true;
    const std::string path = sys::ResolveProfilePath(fileName);
    const std::string first = "Die Einstellungen konnten nicht gespeichert werden.";
    const std::string why =
        "\"" + path +
        "\" ist nicht beschreibbar (Ordner schreibgeschützt oder voll, oder die Datei ist "
        "nicht lesbar).";
    const std::string last = "Die bisher gespeicherten Einstellungen bleiben erhalten.";
    if (reports.sessionEnding) {
        const std::string line = first + " " + why + " " + last;
        if (reports.sink)
            reports.sink("Fehler", line);
        else
            std::fprintf(stderr, "Fehler: %s\n", line.c_str());
        return;
    }
    const std::string text = first + "\r\n" + why + "\r\n" + last;
    MessageBoxA(nullptr, text.c_str(), "Fehler", MB_ICONERROR);
}

// The class table, tested in this order; the first match decides what a component stores.
void LoadComponent(tk::TComponent& c, const Section& s) {
    const std::string& key = c.Name();
    if (auto* box = dynamic_cast<tk::TCustomCheckBox*>(&c)) {
        box->SetChecked(s.Bool(key, box->Checked()));
    } else if (auto* panel = dynamic_cast<tk::TPanel*>(&c)) {
        panel->SetVisible(s.Bool(key, panel->Visible()));
    } else if (auto* edit = dynamic_cast<tk::TEdit*>(&c)) {
        edit->SetText(s.Str(key, edit->Text()));
    } else if (auto* pages = dynamic_cast<tk::TPageControl*>(&c)) {
        // A stored index the control does not have falls back to the first page: no active page at
        // all would stop every later save at this key.
        tk::TTabSheet* page = PageByIndex(*pages, s.Int(key, 0));
        pages->SetActivePage(page ? page : PageByIndex(*pages, 0));
    } else if (auto* ext = dynamic_cast<TExtSpeedButton*>(&c)) {
        ext->SetDown(s.Bool(key, ext->GetDown()));
        if (ext->OnClick) ext->OnClick(ext); // also when Down did not change
    } else if (auto* button = dynamic_cast<tk::TSpeedButton*>(&c)) {
        button->SetDown(s.Bool(key, button->Down()));
        if (button->OnClick) button->OnClick(button);
    } else if (auto* slider = dynamic_cast<TSlider*>(&c)) {
        slider->SetPosition(s.Int(key, slider->Position()));
    } else if (auto* combo = dynamic_cast<tk::TComboBox*>(&c)) {
        combo->SetItemIndex(s.Int(key, combo->ItemIndex()));
    }
}

void SaveComponent(tk::TComponent& c, Section& s) {
    const std::string& key = c.Name();
    if (auto* box = dynamic_cast<tk::TCustomCheckBox*>(&c)) {
        s.Write(key, box->Checked());
    } else if (auto* panel = dynamic_cast<tk::TPanel*>(&c)) {
        s.Write(key, panel->Visible());
    } else if (auto* edit = dynamic_cast<tk::TEdit*>(&c)) {
        s.Write(key, edit->Text());
    } else if (auto* pages = dynamic_cast<tk::TPageControl*>(&c)) {
        s.Write(key, IndexOfPage(*pages, pages->ActivePage()));
    } else if (auto* ext = dynamic_cast<TExtSpeedButton*>(&c)) {
        s.Write(key, ext->GetDown());
    } else if (auto* button = dynamic_cast<tk::TSpeedButton*>(&c)) {
        s.Write(key, button->Down());
    } else if (auto* slider = dynamic_cast<TSlider*>(&c)) {
        s.Write(key, slider->Position());
    } else if (auto* combo = dynamic_cast<tk::TComboBox*>(&c)) {
        s.Write(key, combo->ItemIndex());
    }
}

// Ids for system-menu entries: unique among the living objects, with the low four bits clear as the
// system's own commands have them, and never in the system's range.
struct MenuIds {
    struct Entry {
        const tk::TComponent* object{};
        tk::TTracker alive;
    };
    std::map<UINT, Entry> byId;
    UINT next{0x0010};
};

MenuIds& Ids() {
    static MenuIds ids;
    return ids;
}

constexpr UINT kFirstId = 0x0010;
constexpr UINT kLastId = 0xEFF0;

std::int64_t MenuKey(const tk::TControl& c) {
    return static_cast<std::int64_t>(c.Left()) * 65536 + c.Top();
}

tk::TForm* OwnerForm(tk::TControl& c) {
    if (auto* form = dynamic_cast<tk::TForm*>(c.Owner())) return form;
    return c.ParentForm();
}

const char* const kShowPanelText = " Fenstersteuerung anzeigen";
const char* const kHintsText = " Tips anzeigen";
const char* const kInfoText = " Info...";

UINT CheckFlag(bool on) {
    return on ? MF_CHECKED : MF_UNCHECKED;
}

} // namespace

bool Persisted(const tk::TComponent& component, int tagMask) {
    if (component.Name().empty()) return false;
    return tagMask == 0 || (component.Tag() & tagMask) == tagMask;
}

void LoadWindowSettings(tk::TForm& form, const std::string& fileName, const std::string& suffix,
                        bool placement, int tagMask) {
    Section s(fileName, form.Caption() + suffix);
    tk::TTracker alive(&form);
    for (int i = 0; i < form.ComponentCount() && alive; ++i) {
        tk::TComponent* c = form.Components(i);
        if (Persisted(*c, tagMask)) LoadComponent(*c, s);
        tk::Application->ProcessMessages();
    }
    if (!alive || !placement) return;
    int top = s.Int("Top", form.Top());
    int left = s.Int("Left", form.Left());
    int width = s.Int("Width", form.Width());
    int height = s.Int("Height", form.Height());
    form.SetBounds(left, top, width, height);
    form.SetShowHint(s.Int("Hints", form.ShowHint() ? 1 : 0) != 0);
}

void SetSessionEnding() {
    Reports().sessionEnding = true;
}

void BeginSaveReports() {
    Reports().sessionEnding = false;
    Reports().told = false;
}

void SetSaveReportSink(SaveReportSink sink) {
    Reports().sink = std::move(sink);
}

void SaveWindowSettings(tk::TForm& form, const std::string& fileName, const std::string& suffix,
                        bool placement, int tagMask) {
    Section s(fileName, form.Caption() + suffix);
    try {
        for (int i = 0; i < form.ComponentCount(); ++i) {
            tk::TComponent* c = form.Components(i);
            if (Persisted(*c, tagMask)) SaveComponent(*c, s);
        }
    } catch (...) {
        // A save stopped by a component still stores what came before it.
        ReportSave(s.Flush(), fileName);
        throw;
    }
    if (placement) {
        s.Write("Top", form.Top());
        s.Write("Left", form.Left());
        s.Write("Width", form.Width());
        s.Write("Height", form.Height());
        s.Write("Hints", form.ShowHint() ? 1 : 0);
    }
    ReportSave(s.Flush(), fileName);
}

UINT MenuCommandId(const tk::TComponent* object) {
    auto& ids = Ids();
    for (auto& [id, entry] : ids.byId)
        if (entry.object == object && entry.alive) return id;
    // Ids of objects that are gone are handed out again.
    for (UINT tries = 0; tries <= (kLastId - kFirstId) / 0x10; ++tries) {
        UINT id = ids.next;
        ids.next = ids.next >= kLastId ? kFirstId : ids.next + 0x10;
        auto it = ids.byId.find(id);
        if (it != ids.byId.end() && it->second.alive) continue;
        ids.byId.insert_or_assign(id, MenuIds::Entry{object, tk::TTracker(object)});
        return id;
    }
    return 0;
}

HMENU AddSystemMenuEntries(tk::TWinControl& checkBoxPanel, tk::TForm* aboutBox, bool extraSeparator) {
    tk::TForm* form = OwnerForm(checkBoxPanel);
    if (!form) return nullptr;
    HMENU menu = GetSystemMenu(form->Handle(), FALSE);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    // Ordered by Left, then Top; one entry per position, none for a box at 0, 0.
    std::int64_t previous = 0;
    for (;;) {
        tk::TCustomCheckBox* next = nullptr;
        for (int i = 0; i < checkBoxPanel.ControlCount(); ++i) {
            auto* box = dynamic_cast<tk::TCustomCheckBox*>(checkBoxPanel.Controls(i));
            if (!box) continue;
            std::int64_t key = MenuKey(*box);
            if (key > previous && key < INT_MAX && (!next || key < MenuKey(*next))) next = box;
        }
        if (!next) break;
        previous = MenuKey(*next);
        AppendMenuA(menu, MF_STRING | CheckFlag(next->Checked()), MenuCommandId(next),
                    next->Caption().c_str());
    }
    if (extraSeparator) AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING | CheckFlag(checkBoxPanel.Visible()), MenuCommandId(&checkBoxPanel),
                kShowPanelText);
    AppendMenuA(menu, MF_STRING | CheckFlag(form->ShowHint()), MenuCommandId(form), kHintsText);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    if (aboutBox) AppendMenuA(menu, MF_STRING, MenuCommandId(aboutBox), kInfoText);
    return menu;
}

void UpdateSystemMenuEntry(tk::TComponent& component) {
    UINT id = MenuCommandId(&component);
    if (auto* box = dynamic_cast<tk::TCustomCheckBox*>(&component)) {
        if (tk::TForm* form = OwnerForm(*box))
            ModifyMenuA(GetSystemMenu(form->Handle(), FALSE), id,
                        MF_BYCOMMAND | MF_STRING | CheckFlag(box->Checked()), id, box->Caption().c_str());
    } else if (auto* form = dynamic_cast<tk::TForm*>(&component)) {
        ModifyMenuA(GetSystemMenu(form->Handle(), FALSE), id,
                    MF_BYCOMMAND | MF_STRING | CheckFlag(form->ShowHint()), id, kHintsText);
    } else if (auto* panel = dynamic_cast<tk::TCustomPanel*>(&component)) {
        if (tk::TForm* owner = OwnerForm(*panel))
            ModifyMenuA(GetSystemMenu(owner->Handle(), FALSE), id,
                        MF_BYCOMMAND | MF_STRING | CheckFlag(panel->Visible()), id, kShowPanelText);
    }
}

void SetStayOnTop(tk::TForm& form, bool on) {
    SetWindowPos(form.Handle(), on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
}

namespace {
ControlWindowLink& Link() {
    static ControlWindowLink link;
    return link;
}
} // namespace

void SetControlWindowLink(ControlWindowLink link) {
    Link() = std::move(link);
}

HWND ControlWindowHandle() {
    return Link().handle;
}

bool CardExtended(int card) {
    return Link().extended && Link().extended(card);
}

void MixerActiveChanged(tk::TObject* sender) {
    // A copy: the handler may end the control window that installed it.
    if (tk::TNotifyEvent handler = Link().activeChanged) handler(sender);
}

namespace {

template <class T> T* NewCopy(tk::TForm& owner) {
    return tk::New<T>(&owner);
}

void CopyCommon(tk::TControl& from, tk::TControl& to) {
    to.SetCaption(from.Caption());
    to.SetFont(from.Font());
}

// The copy of one control, of the first class in the table that matches; null when none does.
tk::TControl* CopyOf(tk::TControl& src, tk::TForm& owner, bool& container) {
    container = false;
    if (auto* s = dynamic_cast<tk::TCustomLabel*>(&src)) {
        auto* c = NewCopy<tk::TLabel>(owner);
        CopyCommon(*s, *c);
        c->SetAlignment(s->Alignment());
        c->SetAutoSize(s->AutoSize());
        c->SetTransparent(s->Transparent());
        return c;
    }
    if (auto* s = dynamic_cast<tk::TButton*>(&src)) {
        auto* c = NewCopy<tk::TButton>(owner);
        CopyCommon(*s, *c);
        c->SetShowHint(s->ShowHint());
        c->SetHint(s->Hint());
        c->OnClick = s->OnClick;
        c->OnEnter = s->OnEnter;
        c->OnExit = s->OnExit;
        return c;
    }
    auto copySpeed = [](tk::TSpeedButton& s, tk::TSpeedButton& c) {
        CopyCommon(s, c);
        c.SetAllowAllUp(s.AllowAllUp());
        c.SetDown(s.Down());
        c.SetGroupIndex(s.GroupIndex());
        c.OnClick = s.OnClick;
        c.OnDblClick = s.OnDblClick;
        c.OnMouseDown = s.OnMouseDown;
        c.OnMouseUp = s.OnMouseUp;
        c.SetLayout(s.Layout());
        c.SetMargin(s.Margin());
        c.SetNumGlyphs(s.NumGlyphs());
        c.SetSpacing(s.Spacing());
        c.SetCursor(s.Cursor());
        c.SetShowHint(s.ShowHint());
        c.SetHint(s.Hint());
    };
    if (auto* s = dynamic_cast<TExtSpeedButton*>(&src)) {
        auto* c = NewCopy<TExtSpeedButton>(owner);
        copySpeed(*s, *c);
        c->SetFlat(s->Flat());
        c->OnDown = s->OnDown;
        return c;
    }
    if (auto* s = dynamic_cast<tk::TSpeedButton*>(&src)) {
        auto* c = NewCopy<tk::TSpeedButton>(owner);
        copySpeed(*s, *c);
        c->SetVisible(s->Visible());
        c->SetFlat(s->Flat());
        return c;
    }
    auto copyCheck = [](auto& s, auto& c) {
        CopyCommon(s, c);
        c.SetChecked(s.Checked());
        c.OnClick = s.OnClick;
        c.OnEnter = s.OnEnter;
        c.OnExit = s.OnExit;
        c.OnMouseDown = s.OnMouseDown;
        c.OnMouseUp = s.OnMouseUp;
        c.SetShowHint(s.ShowHint());
        c.SetHint(s.Hint());
    };
    if (auto* s = dynamic_cast<tk::TCustomCheckBox*>(&src)) {
        auto* c = NewCopy<tk::TCheckBox>(owner); // a bilingual box becomes a plain one
        copyCheck(*s, *c);
        return c;
    }
    if (auto* s = dynamic_cast<TExtRadioButton*>(&src)) {
        auto* c = NewCopy<TExtRadioButton>(owner);
        copyCheck(*s, *c);
        return c;
    }
    if (auto* s = dynamic_cast<tk::TRadioButton*>(&src)) {
        auto* c = NewCopy<tk::TRadioButton>(owner);
        copyCheck(*s, *c);
        return c;
    }
    if (auto* s = dynamic_cast<TSlider*>(&src)) {
        auto* c = NewCopy<TSlider>(owner);
        c->SetBtnHeight(s->BtnHeight());
        c->SetBtnWidth(s->BtnWidth());
        c->SetMax(s->Max());
        c->SetMin(s->Min());
        c->SetMoveRestriction(s->MoveRestriction());
        c->SetNumber(s->Number());
        c->SetBtnHeight(s->BtnHeight());
        c->SetPosition(s->Position());
        c->OnChange = s->OnChange;
        return c;
    }
    if (auto* s = dynamic_cast<TLevelMeter*>(&src)) {
        auto* c = NewCopy<TLevelMeter>(owner);
        c->SetNumLumisOrange(s->NumLumisOrange());
        c->SetNumLumisRed(s->NumLumisRed());
        c->SetLumiColor(s->LumiColor());
        c->SetLumiHeight(s->LumiHeight());
        c->SetTimerEnable(s->TimerEnable());
        c->SetTimerInterval(s->TimerInterval());
        c->SetOn(s->On());
        c->SetLevelMax(s->GetLevelMax());
        c->SetLevelMaxHold(s->LevelMaxHold());
        c->SetLevel(s->Level());
        return c;
    }
    if (auto* s = dynamic_cast<tk::TPanel*>(&src)) {
        auto* c = NewCopy<tk::TPanel>(owner);
        c->SetCaption(s->Caption());
        c->SetParentColor(s->ParentColor());
        c->SetFont(s->Font());
        c->SetAlign(s->Align());
        c->SetBevelInner(s->BevelInner());
        c->SetBevelOuter(s->BevelOuter());
        c->SetBevelWidth(s->BevelWidth());
        container = true;
        return c;
    }
    if (auto* s = dynamic_cast<tk::TCustomGroupBox*>(&src)) {
        auto* c = NewCopy<tk::TGroupBox>(owner);
        c->SetAlign(s->Align());
        c->SetCaption(s->Caption());
        c->SetFont(s->Font());
        c->SetCtl3D(s->Ctl3D());
        c->SetParentCtl3D(s->ParentCtl3D());
        container = true;
        return c;
    }
    if (auto* s = dynamic_cast<tk::TBevel*>(&src)) {
        auto* c = NewCopy<tk::TBevel>(owner);
        c->SetAlign(s->Align());
        c->SetShape(s->Shape());
        c->SetStyle(s->Style());
        return c;
    }
    return nullptr;
}

void CloneInto(tk::TWinControl& source, tk::TWinControl& target, int dx, int dy,
               const CloneCallback& callback, const CloneMadeHook& hook, tk::TForm& owner,
               std::vector<std::pair<tk::TControl*, tk::TTracker>>& made) {
    std::vector<tk::TControl*> copies;
    std::vector<tk::TControl*> children;
    for (int i = 0; i < source.ControlCount(); ++i)
        children.push_back(source.Controls(i));
    for (tk::TControl* child : children) {
        tk::Application->ProcessMessages();
        if (child->Name().empty()) continue;
        bool container = false;
        tk::TControl* copy = CopyOf(*child, owner, container);
        if (!copy)
            throw tk::Exception("CloneComponents: Komponentenklasse von " + child->Name() +
                                " nicht implementiert.");
        made.emplace_back(copy, tk::TTracker(copy));
        tk::TControl* madeCopy = copy;
        copy->SetBounds(child->Left() + dx, child->Top() + dy, child->Width(), child->Height());
        copy->SetTag(child->Tag());
        if (callback) callback(copy);
        if (!copy) {
            // Dropped by the callback: it goes now rather than linger without a parent.
            if (made.back().second) madeCopy->Free();
            made.pop_back();
            continue;
        }
        copies.push_back(copy);
        if (hook) hook(*child, *copy);
        if (container)
            CloneInto(*static_cast<tk::TWinControl*>(child), *static_cast<tk::TWinControl*>(copy), 0, 0,
                      callback, hook, owner, made);
    }
    for (tk::TControl* copy : copies) {
        target.InsertControl(copy);
        tk::Application->ProcessMessages();
    }
}

} // namespace

void CloneComponents(tk::TWinControl& source, tk::TWinControl& target, int dx, const CloneCallback& callback,
                     int dy, const CloneMadeHook& hook) {
    tk::TForm* owner = dynamic_cast<tk::TForm*>(source.Owner());
    if (!owner) owner = source.ParentForm();
    if (!owner) throw tk::Exception("CloneComponents: " + source.Name() + " has no form");
    std::vector<std::pair<tk::TControl*, tk::TTracker>> made;
    try {
        CloneInto(source, target, dx, dy, callback, hook, *owner, made);
    } catch (...) {
        // Nothing half-made stays behind: the copies so far go again, innermost first.
        for (auto it = made.rbegin(); it != made.rend(); ++it)
            if (it->second) it->first->Free();
        throw;
    }
}

tk::TTabSheet* PageByIndex(tk::TPageControl& pages, int index) {
    return index >= 0 && index < pages.PageCount() ? pages.Pages(index) : nullptr;
}

int IndexOfPage(tk::TPageControl& pages, tk::TTabSheet* page) {
    for (int i = 0; i < pages.PageCount(); ++i)
        if (pages.Pages(i) == page) return i;
    tk::Abort();
}

} // namespace krvl
