// Routines every window uses: its settings in the settings file, the program's system-menu entries,
// stay on top and the control window's activation handler, close-and-destroy, copying a strip of
// controls for further cards, page lookups.
#pragma once

#include "toolkit/Forms.h"

#include <functional>
#include <string>

namespace tk {
class TPageControl;
class TTabSheet;
class TWinControl;
} // namespace tk

namespace krvl {

inline constexpr const char* kSettingsFile = "KRVLmix.ini";

// A component takes part when it has a name and (Tag AND mask) = mask; mask 0 takes every named one.
bool Persisted(const tk::TComponent& component, int tagMask);

// Section = the form's caption + suffix. Loading uses each control's current value as the default
// and lets the application process pending messages after each component.
void LoadWindowSettings(tk::TForm& form, const std::string& fileName, const std::string& suffix,
                        bool placement, int tagMask);
void SaveWindowSettings(tk::TForm& form, const std::string& fileName, const std::string& suffix,
                        bool placement, int tagMask);

// From the end of the session on nobody is left to answer a message box, and a box must not hold up
// the exit: a failing save is then reported as one line through the sink (standard error when none is
// set) instead.
void SetSessionEnding();
// The program's start: no failure told yet, and the session not ending.
void BeginSaveReports();
using SaveReportSink = std::function<void(const std::string& caption, const std::string& text)>;
void SetSaveReportSink(SaveReportSink sink);

// The program's entries in the form's system menu; the command id of an entry is the low 16 bits of the
// object it stands for (MenuCommandId).
HMENU AddSystemMenuEntries(tk::TWinControl& checkBoxPanel, tk::TForm* aboutBox, bool extraSeparator);
void UpdateSystemMenuEntry(tk::TComponent& component);
UINT MenuCommandId(const tk::TComponent* object);

void SetStayOnTop(tk::TForm& form, bool on);

// What the mixer windows and the settings dialog need of the control window, without the control window
// itself (it sits above them): the control window installs its link while it exists.
struct ControlWindowLink {
    HWND handle{};                          // receives UM_MIXERCLOSED
    std::function<bool(int card)> extended; // the card's extended-connector flag
    tk::TNotifyEvent activeChanged;         // re-applies stay-on-top
};
// An empty link removes it.
void SetControlWindowLink(ControlWindowLink link);
// Null while no control window exists.
HWND ControlWindowHandle();
bool CardExtended(int card);
// For the mixer windows' OnActivate and OnDeactivate: the control window's handler, when one exists.
void MixerActiveChanged(tk::TObject* sender);

// Closes the form, destroys it and clears the reference, if it is set.
template <class T> void CloseAndDestroy(T*& form) {
    if (!form) return;
    T* f = form;
    form = nullptr;
    f->Close();
    f->Free();
}

// Called with each copy; it may change it, or clear the reference to drop the copy.
using CloneCallback = std::function<void(tk::TControl*& copy)>;
// Told each copy that is kept and the control it was copied from.
using CloneMadeHook = std::function<void(tk::TControl& source, tk::TControl& copy)>;
// Copies the named children of source (and, for panels and group boxes, theirs) into target, shifted by
// the offsets. Throws for a class it cannot copy, inserting nothing.
void CloneComponents(tk::TWinControl& source, tk::TWinControl& target, int dx, const CloneCallback& callback,
                     int dy, const CloneMadeHook& made = {});

tk::TTabSheet* PageByIndex(tk::TPageControl& pages, int index);
// The page's index; a page not in the control raises the silent abort.
int IndexOfPage(tk::TPageControl& pages, tk::TTabSheet* page);

} // namespace krvl
