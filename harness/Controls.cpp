// The harness's user actions on windows and controls, and the printing of control trees.
#include "controls/audioctl32.h"
#include "harness/Harness.h"
#include "mixer/Frame.h"
#include "system/sys.h"
#include "toolkit/Buttons.h"
#include "toolkit/CairoCanvas.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/ScrollBox.h"
#include "toolkit/StdCtrls.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <sstream>

namespace harness {
namespace {

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\\')
            out += "\\\\";
        else
            out += c;
    }
    return out + "\"";
}

std::string Trim(const std::string& s) {
    auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::string HexColor(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%06X", static_cast<unsigned>(v));
    return buf;
}

} // namespace

bool Harness::Deliver(tk::TForm& form, const std::function<void()>& event) {
    tk::TTracker alive(&form);
    try {
        event();
    } catch (...) {
        tk::Application->HandleException(std::current_exception());
    }
    return alive.Alive();
}

void Harness::ClickAt(tk::TForm& form, tk::TControl& control, int dx, int dy) {
    tk::TPoint p = control.ClientToForm({control.Width() / 2 + dx, control.Height() / 2 + dy});
    // The button goes up even after a failed press, so the form does not keep the pointer captured.
    if (Deliver(form, [&] { form.DispatchMouse(WM_LBUTTONDOWN, tk::ssLeft, p.x, p.y); }))
        Deliver(form, [&] { form.DispatchMouse(WM_LBUTTONUP, 0, p.x, p.y); });
}

// A copy a mixer window made for a further card: "NAME@C" after the first card's control.
std::string CopyAddress(const tk::TControl& c) {
    auto* frame = dynamic_cast<krvl::TMixerFrame*>(c.ParentForm());
    if (!frame) return "";
    auto origin = frame->OriginOf(&c);
    return origin ? origin->sourceName + "@" + std::to_string(origin->card + 1) : "";
}

std::string Harness::Describe(tk::TControl& c) {
    std::ostringstream o;
    std::string copy = CopyAddress(c);
    if (!copy.empty()) {
        o << copy << ' ' << c.ClassName();
        if (!c.Name().empty()) o << " name=" << c.Name();
    } else {
        o << (c.Name().empty() ? "-" : c.Name()) << ' ' << c.ClassName();
    }
    o << " visible=" << c.Visible() << " enabled=" << c.Enabled() << " bounds=" << c.Left() << ',' << c.Top()
      << ',' << c.Width() << ',' << c.Height();
    if (auto* box = dynamic_cast<tk::TCustomCheckBox*>(&c)) {
        o << " caption=" << Quote(c.Caption()) << " checked=" << box->Checked();
    } else if (auto* radio = dynamic_cast<tk::TRadioButton*>(&c)) {
        o << " caption=" << Quote(c.Caption()) << " checked=" << radio->Checked();
    } else if (auto* slider = dynamic_cast<krvl::TSlider*>(&c)) {
        o << " position=" << slider->Position();
    } else if (auto* combo = dynamic_cast<tk::TComboBox*>(&c)) {
        o << " itemindex=" << combo->ItemIndex() << " text=" << Quote(combo->Text());
    } else if (dynamic_cast<tk::TEdit*>(&c)) {
        o << " text=" << Quote(c.Text()) << " color=" << HexColor(c.Color());
    } else if (auto* bar = dynamic_cast<tk::TTrackBar*>(&c)) {
        o << " position=" << bar->Position();
    } else if (auto* button = dynamic_cast<tk::TSpeedButton*>(&c)) {
        o << " caption=" << Quote(c.Caption()) << " down=" << button->Down();
    } else if (auto* meter = dynamic_cast<krvl::TBarGraph*>(&c)) {
        int lit = 0;
        for (int i = 0; i < meter->ControlCount(); ++i)
            if (auto* lamp = dynamic_cast<krvl::TLumi*>(meter->Controls(i)); lamp && lamp->On()) ++lit;
        o << " lit=" << lit;
    } else if (!c.Caption().empty()) {
        o << " caption=" << Quote(c.Caption());
    }
    if (!c.ParentFont()) o << " fontcolor=" << HexColor(c.Font().Color());
    if (!c.Hint().empty()) o << " hint=" << Quote(c.Hint());
    return o.str();
}

void Harness::ShowTree(tk::TControl& control, int depth) {
    Print(std::string(static_cast<std::size_t>(depth) * 2, ' ') + Describe(control));
    if (auto* w = dynamic_cast<tk::TWinControl*>(&control))
        for (int i = 0; i < w->ControlCount(); ++i)
            ShowTree(*w->Controls(i), depth + 1);
}

void Harness::Snapshot(const Command& c, tk::TForm& form, const std::string& file) {
    if (!tk::RenderFormToPng(form, file, true))
        throw ScriptError{"line " + std::to_string(c.line) + ": cannot write " + file};
    Print("snapshot " + file);
}

bool Harness::ExecuteControlCommand(const Command& c) {
    static const char* const kCommands[] = {"click", "check", "drag",     "type",   "select", "sysmenu",
                                            "close", "show",  "snapshot", "resize", "scroll", "menu"};
    const std::string& cmd = c.words[0];
    if (std::find(std::begin(kCommands), std::end(kCommands), cmd) == std::end(kCommands)) return false;
    std::size_t needed = cmd == "close" || cmd == "show" || cmd == "menu"          ? 1
                         : cmd == "click" || cmd == "sysmenu" || cmd == "snapshot" ? 2
                                                                                   : 3;
    if (c.words.size() < needed + 1)
        throw ScriptError{"line " + std::to_string(c.line) + ": " + cmd + " needs " + std::to_string(needed) +
                          " arguments"};
    if (m_phase == Phase::Ended || m_exiting) {
        Print("program ended");
        return true;
    }
    RequireRunning(c);
    tk::TForm& form = Window(c, c.words[1]);
    std::string where = "line " + std::to_string(c.line) + ": ";
    // On the platform user input arrives as messages, so the program's loop (a modal one too) looks at
    // its state after each; the harness hands it a turn the same way.
    struct WakeAfterInput {
        Harness* harness;
        ~WakeAfterInput() {
            if (harness) harness->WakeProgram();
        }
    } wake{cmd == "show" || cmd == "snapshot" || cmd == "sysmenu" ? nullptr : this};

    if (cmd == "close") {
        Deliver(form, [&] { form.Close(); });
    } else if (cmd == "show") {
        ShowTree(c.words.size() > 2 ? Control(c, form, c.words[2]) : form, 0);
    } else if (cmd == "sysmenu") {
        std::string text = Trim(c.words[2]);
        HMENU menu = GetSystemMenu(form.Handle(), FALSE);
        for (const auto& item : sys::MenuItems(menu)) {
            if (!(item.flags & MF_SEPARATOR) && Trim(item.text) == text) {
                PostMessageA(form.Handle(), WM_SYSCOMMAND, item.id, 0);
                return true;
            }
        }
        throw ScriptError{where + "no system-menu entry \"" + text + "\" in \"" + form.Caption() + "\""};
    } else if (cmd == "snapshot") {
        Snapshot(c, form, c.words[2]);
    } else if (cmd == "menu") {
        for (const auto& item : sys::MenuItems(GetSystemMenu(form.Handle(), FALSE))) {
            if (item.flags & MF_SEPARATOR)
                Print("menu -");
            else
                Print("menu " + Quote(item.text) + " checked=" + ((item.flags & MF_CHECKED) ? "1" : "0"));
        }
    } else if (cmd == "resize") {
        // The user drags the frame's edge: the window's size limits apply as on screen.
        int width = static_cast<int>(Number(c.words[2], c.line, 0, 100000));
        int height = static_cast<int>(Number(c.words[3], c.line, 0, 100000));
        Deliver(form, [&] { form.SetBounds(form.Left(), form.Top(), width, height); });
    } else {
        tk::TControl& control = Control(c, form, c.words[2]);
        if (cmd == "click") {
            ClickAt(form, control);
        } else if (cmd == "check") {
            bool want = Number(c.words[3], c.line, 0, 1) != 0;
            bool is;
            if (auto* box = dynamic_cast<tk::TCustomCheckBox*>(&control))
                is = box->Checked();
            else if (auto* radio = dynamic_cast<tk::TRadioButton*>(&control))
                is = radio->Checked();
            else
                throw ScriptError{where + c.words[2] + " cannot be checked"};
            if (is != want) ClickAt(form, control);
        } else if (cmd == "drag" && dynamic_cast<tk::TTrackBar*>(&control)) {
            // A track bar's thumb moves along the bar: right or down for a positive distance.
            auto& bar = static_cast<tk::TTrackBar&>(control);
            int d = static_cast<int>(Number(c.words[3], c.line));
            tk::TRect thumb = bar.ThumbRect();
            tk::TPoint p = bar.ClientToForm({(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2});
            tk::TPoint to =
                bar.Orientation() == tk::trHorizontal ? tk::TPoint{p.x + d, p.y} : tk::TPoint{p.x, p.y + d};
            form.DispatchMouse(WM_LBUTTONDOWN, tk::ssLeft, p.x, p.y);
            form.DispatchMouse(WM_MOUSEMOVE, tk::ssLeft, to.x, to.y);
            form.DispatchMouse(WM_LBUTTONUP, 0, to.x, to.y);
        } else if (cmd == "drag") {
            auto* slider = dynamic_cast<krvl::TSlider*>(&control);
            if (!slider || !slider->Knob()) throw ScriptError{where + c.words[2] + " is no fader"};
            // Far beyond any screen, and no overflow of the mouse coordinates.
            int dy = static_cast<int>(Number(c.words[3], c.line, -1000000, 1000000));
            tk::TControl& knob = *slider->Knob();
            tk::TPoint p = knob.ClientToForm({knob.Width() / 2, knob.Height() / 2});
            if (Deliver(form, [&] { form.DispatchMouse(WM_LBUTTONDOWN, tk::ssLeft, p.x, p.y); }) &&
                Deliver(form, [&] { form.DispatchMouse(WM_MOUSEMOVE, tk::ssLeft, p.x, p.y + dy); }))
                Deliver(form, [&] { form.DispatchMouse(WM_LBUTTONUP, 0, p.x, p.y + dy); });
        } else if (cmd == "type") {
            auto* edit = dynamic_cast<tk::TEdit*>(&control);
            if (!edit) throw ScriptError{where + c.words[2] + " is no edit field"};
            // The free text after the control's name, as typed.
            std::string rest = c.rest;
            for (int skip = 0; skip < 2; ++skip) {
                auto b = rest.find_first_not_of(" \t");
                if (b == std::string::npos) break;
                bool quoted = rest[b] == '"';
                auto e = quoted ? rest.find('"', b + 1) : rest.find_first_of(" \t", b);
                rest = e == std::string::npos ? "" : rest.substr(e + (quoted ? 1 : 0));
            }
            std::string text = rest.empty() ? ""
                                            : rest.substr(rest.find_first_not_of(" \t") == std::string::npos
                                                              ? rest.size()
                                                              : rest.find_first_not_of(" \t"));
            if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
                text = text.substr(1, text.size() - 2);
            // Key by key, each reaching the program as one event; a handler may close the window.
            tk::TTracker editAlive(edit);
            bool alive = Deliver(form, [&] { edit->SetFocus(); });
            for (std::size_t i = 0; alive && i < text.size(); ++i)
                alive = Deliver(form, [&] { form.DispatchKey(WM_CHAR, static_cast<BYTE>(text[i]), 0); });
            if (alive) alive = Deliver(form, [&] { form.FocusNext(); });
            if (alive && editAlive && edit->Focused()) form.SetActiveControl(nullptr);
        } else if (cmd == "scroll") {
            auto* box = dynamic_cast<tk::TScrollBox*>(&control);
            if (!box) throw ScriptError{where + c.words[2] + " is no scroll box"};
            int dx = static_cast<int>(Number(c.words[3], c.line, INT_MIN / 2, INT_MAX / 2));
            Deliver(form, [&] { box->HorzScrollBar().SetPosition(box->HorzScrollBar().Position() + dx); });
        } else if (cmd == "select") {
            if (auto* pages = dynamic_cast<tk::TPageControl*>(&control)) {
                // A click in the middle of that page's tab.
                auto tabs = pages->TabRects();
                long long index = Number(c.words[3], c.line);
                if (index < 0 || index >= static_cast<long long>(tabs.size()) ||
                    tabs[static_cast<std::size_t>(index)].Empty())
                    throw ScriptError{where + c.words[2] + " has no tab " + c.words[3]};
                tk::TRect tab = tabs[static_cast<std::size_t>(index)];
                ClickAt(form, control, (tab.left + tab.right) / 2 - control.Width() / 2,
                        (tab.top + tab.bottom) / 2 - control.Height() / 2);
                return true;
            }
            auto* combo = dynamic_cast<tk::TComboBox*>(&control);
            if (!combo) throw ScriptError{where + c.words[2] + " is no drop-down list"};
            int index = static_cast<int>(Number(c.words[3], c.line, INT_MIN, INT_MAX));
            Deliver(form, [&] { combo->SelectByUser(index); });
        }
    }
    return true;
}

} // namespace harness
