// Random use: the program driven through krvl-script by a user who clicks, drags, types and picks
// menu entries at random while another program changes the card, on 1 to 4 cards, with the
// program's state checked after every step. KRVL_RANDOM_SEED and KRVL_RANDOM_STEPS choose the run
// (scripts/random-use.sh runs a long one); the seed is printed so a failure can be replayed.
#include "app/tbmainf.h"
#include "controls/audioctl32.h"
#include "emu/Emulator.h"
#include "harness/Harness.h"
#include "mixer/Frame.h"
#include "system/sys.h"
#include "toolkit/Buttons.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/ScrollBox.h"
#include "toolkit/StdCtrls.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::uint64_t EnvNumber(const char* name, std::uint64_t fallback) {
    const char* v = std::getenv(name);
    if (!v || !*v) return fallback;
    return std::strtoull(v, nullptr, 0);
}

class Rng {
public:
    explicit Rng(std::uint64_t seed) : m_gen(seed) {}
    int Below(int n) { return n <= 0 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(m_gen); }
    int Between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_gen); }
    bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(m_gen) < p; }
    template <class T> const T& Pick(const std::vector<T>& v) {
        return v[static_cast<std::size_t>(Below(static_cast<int>(v.size())))];
    }

private:
    std::mt19937_64 m_gen;
};

std::string Quoted(const std::string& s) {
    return "\"" + s + "\"";
}

// Every control of the tree below control, parents first.
void Collect(tk::TControl& control, std::vector<tk::TControl*>& out) {
    out.push_back(&control);
    if (auto* w = dynamic_cast<tk::TWinControl*>(&control))
        for (int i = 0; i < w->ControlCount(); ++i)
            Collect(*w->Controls(i), out);
}

// How a script names the control (see docs/harness.md), or empty when it cannot.
std::string Address(tk::TForm& form, tk::TControl& c, int depth = 0) {
    if (auto* frame = dynamic_cast<krvl::TMixerFrame*>(&form))
        if (auto origin = frame->OriginOf(&c))
            return origin->sourceName + "@" + std::to_string(origin->card + 1);
    if (!c.Name().empty() && form.FindComponent(c.Name()) == &c) return c.Name();
    std::string caption = tk::StripAccelerator(c.Caption());
    tk::TWinControl* parent = c.Parent();
    if (depth > 0 || !parent || parent == &form || caption.empty() ||
        caption.find('"') != std::string::npos || caption.find('/') != std::string::npos)
        return "";
    std::string above = Address(form, *parent, depth + 1);
    if (above.empty()) return "";
    for (int i = 0; i < parent->ControlCount(); ++i)
        if (tk::StripAccelerator(parent->Controls(i)->Caption()) == caption)
            return parent->Controls(i) == &c ? above + "/" + caption : "";
    return "";
}

// Stands between the system's wave layer and the emulated card and remembers, for each handle, the
// window it reports to (a monitored source an output window opens later) and the newest window when
// it was opened (the window being made opens its handles as it is made).
class HandleWatch final : public sys::WaveDriver {
public:
    explicit HandleWatch(std::shared_ptr<emu::Emulator> card) : m_card(std::move(card)) {}

    struct Opener {
        HWND callback{};
        tk::TForm* newest{};
    };
    Opener OpenerOf(std::uintptr_t handle) const {
        std::lock_guard lock(m_mutex);
        auto it = m_openers.find(handle);
        return it == m_openers.end() ? Opener{} : it->second;
    }

    UINT DeviceCount(sys::WaveDir dir) override { return m_card->DeviceCount(dir); }
    bool Caps(sys::WaveDir dir, UINT localId, sys::WaveCaps& caps) override {
        return m_card->Caps(dir, localId, caps);
    }
    MMRESULT Open(sys::WaveDir dir, UINT localId, const WAVEFORMATEX* fmt, DWORD_PTR callback,
                  DWORD_PTR instance, DWORD flags, std::uintptr_t& handle) override {
        MMRESULT r = m_card->Open(dir, localId, fmt, callback, instance, flags, handle);
        if (r == MMSYSERR_NOERROR) {
            Opener o;
            if ((flags & CALLBACK_TYPEMASK) == CALLBACK_WINDOW) o.callback = reinterpret_cast<HWND>(callback);
            int forms = tk::Screen->FormCount();
            if (forms > 0) o.newest = tk::Screen->Forms(forms - 1);
            std::lock_guard lock(m_mutex);
            m_openers[handle] = o;
        }
        return r;
    }
    MMRESULT Close(sys::WaveDir dir, std::uintptr_t handle) override { return m_card->Close(dir, handle); }
    DWORD Message(sys::WaveDir dir, std::uintptr_t handle, UINT msg, DWORD_PTR p1, DWORD_PTR p2) override {
        return m_card->Message(dir, handle, msg, p1, p2);
    }

private:
    std::shared_ptr<emu::Emulator> m_card;
    mutable std::mutex m_mutex;
    std::map<std::uintptr_t, Opener> m_openers;
};

// What the per-window check saw over a run.
struct CloseTally {
    int closes{};     // windows whose close was checked
    int handles{};    // handles those windows held at their close
    int unassigned{}; // handles opened that no single window could be named for
};

// One session of the program: a fresh start on its own card set, up to `budget` steps.
class RandomUser {
public:
    RandomUser(Rng& rng, int cards, int budget, std::ostringstream& out, std::map<std::string, int>& tally,
               CloseTally& closes)
        : m_rng(rng), m_cards(cards), m_budget(budget), m_out(out), m_tally(tally), m_closes(closes) {}
    ~RandomUser() {
        if (m_watch) sys::UnregisterWaveDriver(m_watch);
    }
    RandomUser(const RandomUser&) = delete;
    RandomUser& operator=(const RandomUser&) = delete;

    void Attach(harness::Harness& h) { m_harness = &h; }
    int StepsTaken() const { return m_steps; }
    const std::vector<std::string>& Failures() const { return m_failures; }
    std::string Recent() const {
        std::string s;
        for (const auto& l : m_recent)
            s += "  " + l + "\n";
        return s;
    }

    std::optional<std::string> Next() {
        std::string printed = m_out.str().substr(m_seen);
        m_seen = m_out.str().size();
        if (printed.find("program ended") != std::string::npos) m_ended = true;
        // What the program printed as it ended counts too (a box or report at the end of the session).
        if (m_started) CheckPrinted(printed);
        if (m_started && !m_ended) Check();
        if (!m_failures.empty() || m_ended || m_steps >= m_budget) return std::nullopt;
        std::string line = m_started ? Choose() : "start";
        m_started = true;
        ++m_steps;
        m_recent.push_back(line);
        // What the run reached: each command, and each window acted on.
        std::string word = line.substr(0, line.find(' '));
        if (word == "emu") word += " " + line.substr(4, line.find(' ', 4) - 4);
        ++m_tally[word];
        if (auto q = line.find('"'); q != std::string::npos)
            ++m_tally["  in \"" + line.substr(q + 1, line.find('"', q + 1) - q - 1) + "\""];
        if (m_recent.size() > 25) m_recent.pop_front();
        m_lastWasRefresh = line.rfind("wait ", 0) == 0 && std::stoi(line.substr(5)) >= 1100;
        return line;
    }

private:
    void Fail(const std::string& what) {
        m_failures.push_back("step " + std::to_string(m_steps) + ": " + what);
    }

    // ---- invariants ------------------------------------------------------------------------------------
    void CheckPrinted(const std::string& printed) {
        std::istringstream lines(printed);
        for (std::string l; std::getline(lines, l);) {
            if (l.rfind("msgbox", 0) == 0) Fail("message box: " + l);
            if (l.rfind("report", 0) == 0) Fail("error report: " + l);
            if (l.rfind("error:", 0) == 0) Fail("script error: " + l);
        }
    }

    void Check() {
        if (!krvl::frmMain) {
            m_ended = true; // the program has ended (a removal, the end of the session)
            return;
        }
        emu::Emulator* card = m_harness->Emulated();
        if (!m_watch) Watch(*card);
        CheckClosedWindows(*card);
        bool anyWindow = false;
        for (int i = 0; i < tk::Screen->FormCount(); ++i) {
            tk::TForm* f = tk::Screen->Forms(i);
            if (f->ClassName() == "TdlgCfg") anyWindow = true;
            auto* frame = dynamic_cast<krvl::TMixerFrame*>(f);
            if (!frame) continue;
            anyWindow = true;
            CheckFrame(*frame);
        }
        // A window may meter through another window's devices, so handles are counted when none is open.
        if (!anyWindow) {
            int open = 0;
            for (const auto& h : card->Handles())
                if (h.control) ++open;
            if (open) Fail(std::to_string(open) + " control handles open with no window open");
        }
        std::size_t blocks = sys::LiveBlocks16();
        if (!anyWindow) {
            if (!m_idleBlocks) m_idleBlocks = blocks;
            if (blocks != *m_idleBlocks)
                Fail("shared blocks with no window open: " + std::to_string(blocks) + ", at the start " +
                     std::to_string(*m_idleBlocks));
        }
    }

    // Put the watch between the wave layer and the card, before the program has opened any handle.
    void Watch(emu::Emulator& card) {
        if (sys::OpenWaveHandles() != 0) {
            Fail(std::to_string(sys::OpenWaveHandles()) + " wave handles open before any window");
            return;
        }
        auto shared = card.shared_from_this();
        sys::UnregisterWaveDriver(shared);
        m_watch = std::make_shared<HandleWatch>(shared);
        sys::RegisterWaveDriver(m_watch);
        m_blocksBefore = sys::LiveBlocks16();
    }

    // What each mixer window opened it gives back when it closes, whatever other windows stay open.
    struct Held {
        std::string caption;
        std::set<std::uintptr_t> handles;
        std::size_t blocks{};
    };

    void CheckClosedWindows(emu::Emulator& card) {
        if (!m_watch) return;
        std::set<std::uintptr_t> open;
        for (const auto& h : card.Handles())
            open.insert(h.handle);
        std::size_t blocks = sys::LiveBlocks16();
        std::map<HWND, krvl::TMixerFrame*> byWindow;
        std::vector<krvl::TMixerFrame*> created;
        std::set<krvl::TMixerFrame*> live;
        for (int i = 0; i < tk::Screen->FormCount(); ++i) {
            auto* frame = dynamic_cast<krvl::TMixerFrame*>(tk::Screen->Forms(i));
            if (!frame) continue;
            live.insert(frame);
            if (frame->HandleAllocated()) byWindow[frame->Handle()] = frame;
            if (!m_held.count(frame)) {
                created.push_back(frame);
                m_held[frame].caption = frame->Caption();
            }
        }

        std::size_t heldBlocks = 0;
        bool anyClosed = false;
        for (auto it = m_held.begin(); it != m_held.end();) {
            if (live.count(it->first)) {
                ++it;
                continue;
            }
            const Held& gone = it->second;
            std::size_t left = 0;
            for (std::uintptr_t h : gone.handles)
                if (open.count(h)) ++left;
            if (left)
                Fail(gone.caption + " closed with " + std::to_string(left) + " of its " +
                     std::to_string(gone.handles.size()) + " handles still open");
            ++m_closes.closes;
            m_closes.handles += static_cast<int>(gone.handles.size());
            heldBlocks += gone.blocks;
            anyClosed = true;
            it = m_held.erase(it);
        }
        if (anyClosed && m_blocksBefore < blocks + heldBlocks)
            Fail("closed windows held " + std::to_string(heldBlocks) + " shared blocks, " +
                 std::to_string(m_blocksBefore > blocks ? m_blocksBefore - blocks : 0) + " were freed");

        // New handles belong to the window they report to, else to a window this step made that was
        // the newest when they were opened.
        for (std::uintptr_t h : open) {
            if (m_openBefore.count(h)) continue;
            krvl::TMixerFrame* owner = nullptr;
            HandleWatch::Opener opener = m_watch->OpenerOf(h);
            if (auto w = byWindow.find(opener.callback); opener.callback && w != byWindow.end())
                owner = w->second;
            else if (std::find(created.begin(), created.end(), opener.newest) != created.end())
                owner = static_cast<krvl::TMixerFrame*>(opener.newest);
            if (owner)
                m_held[owner].handles.insert(h);
            else
                ++m_closes.unassigned;
        }
        for (auto& [frame, held] : m_held)
            std::erase_if(held.handles, [&](std::uintptr_t h) { return !open.count(h); });
        if (created.size() == 1 && !anyClosed && blocks > m_blocksBefore)
            m_held[created.front()].blocks = blocks - m_blocksBefore;
        // Every mixer window opens control handles as it is made: a window with none seen means the
        // watch has lost track, and the check above would pass for nothing.
        for (krvl::TMixerFrame* frame : created)
            if (m_held[frame].handles.empty())
                Fail(frame->Caption() + " was made without a control handle the watch saw");
        m_openBefore = std::move(open);
        m_blocksBefore = blocks;
    }

    void CheckFrame(krvl::TMixerFrame& frame) {
        std::string name = frame.Caption();
        if (!frame.Ready() || !frame.Visible()) return;
        bool digital = frame.ClassName() == "TfrmDigInp" || frame.ClassName() == "TfrmDigOut";
        bool out = frame.ClassName() == "TfrmAnalogOut" || frame.ClassName() == "TfrmDigOut";
        if (frame.Height() != frame.FixedHeight())
            Fail(name + ": height " + std::to_string(frame.Height()) + ", fixed height " +
                 std::to_string(frame.FixedHeight()));
        MINMAXINFO info{};
        SendMessageA(frame.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        if (frame.Width() < info.ptMinTrackSize.x || frame.Width() > info.ptMaxTrackSize.x)
            Fail(name + ": width " + std::to_string(frame.Width()) + " outside " +
                 std::to_string(info.ptMinTrackSize.x) + " ... " + std::to_string(info.ptMaxTrackSize.x));
        // The output windows follow the driver's notices (the input windows show what they read at the show).
        if (m_lastWasRefresh && out && !digital) CheckAnalogAgainstDriver(frame, out);
    }

    // After a refresh the faders and mute buttons show the driver's words.
    void CheckAnalogAgainstDriver(krvl::TMixerFrame& frame, bool out) {
        emu::Emulator* card = m_harness->Emulated();
        std::vector<tk::TControl*> all;
        Collect(frame, all);
        for (tk::TControl* c : all) {
            if (auto* fader = dynamic_cast<krvl::TSlider*>(c)) {
                int n = fader->Number();
                if (n < 0 || n >= m_cards * 4) continue;
                emu::CardState st = card->Card(n / 4);
                DWORD words = out ? st.volume[(n / 2) % 2] : st.gain[(n / 2) % 2];
                int word = static_cast<int>(n % 2 ? words >> 16 : words & 0xFFFF);
                int unit = out ? 512 : 256;
                int want = std::clamp(word / unit, fader->Min(), fader->Max());
                if (fader->Position() != want)
                    Fail(frame.Caption() + ": fader " + std::to_string(n) + " at " +
                         std::to_string(fader->Position()) + ", driver word 0x" + ToHex(word));
            } else if (auto* mute = dynamic_cast<tk::TSpeedButton*>(c)) {
                auto* panel = mute->Parent();
                if (!panel || panel->Parent() == nullptr || panel->Parent()->Name() != "pnSliders") continue;
                int cardIndex = panel->Tag();
                int pair = mute->Tag() / 2;
                if (cardIndex < 0 || cardIndex >= m_cards || pair < 0 || pair > 1) continue;
                emu::CardState st = card->Card(cardIndex);
                DWORD words = out ? st.outputMute[pair] : st.inputMute[pair];
                bool want = (mute->Tag() % 2 ? words >> 16 : words & 0xFFFF) != 0;
                if (mute->Down() != want)
                    Fail(frame.Caption() + ": mute " + Address(frame, *mute) + " down=" +
                         std::to_string(mute->Down()) + ", driver words 0x" + ToHex(static_cast<int>(words)));
            }
        }
    }

    static std::string ToHex(int v) {
        std::ostringstream o;
        o << std::hex << std::uppercase << static_cast<unsigned>(v);
        return o.str();
    }

    // ---- actions ---------------------------------------------------------------------------------------
    std::vector<tk::TForm*> VisibleForms() const {
        std::vector<tk::TForm*> forms;
        tk::TForm* modal = nullptr;
        for (int i = 0; i < tk::Screen->FormCount(); ++i) {
            tk::TForm* f = tk::Screen->Forms(i);
            if (!f->Visible() || f->Caption().empty() || f->Caption().find('"') != std::string::npos)
                continue;
            // Of nested modal forms only the innermost takes input.
            if ((f->FormState() & tk::fsModal) && f->TakesInput()) modal = f;
            forms.push_back(f);
        }
        if (modal) return {modal}; // the other windows take no input meanwhile
        return forms;
    }

    std::string Choose() {
        for (int attempt = 0; attempt < 20; ++attempt) {
            std::string line = Attempt();
            if (!line.empty()) return line;
        }
        return "wait 10";
    }

    std::string Attempt() {
        auto forms = VisibleForms();
        int roll = m_rng.Below(1000);
        if (roll < 8 && !m_removed && (forms.size() > 1 || m_rng.Chance(0.3))) {
            m_removed = true;
            return "emu remove " + std::to_string(m_rng.Between(1, m_cards));
        }
        if (roll < 10) return "endsession";
        if (roll < 12) return "exit";
        if (roll < 60) return "tray " + std::string(m_rng.Chance(0.8) ? "dblclick" : "click");
        if (roll < 140) return "wait " + std::to_string(m_rng.Chance(0.5) ? 1100 : m_rng.Between(0, 400));
        if (roll < 230) return OtherProgram();
        if (forms.empty()) return "tray dblclick";
        tk::TForm& form = *m_rng.Pick(forms);
        std::string w = Quoted(form.Caption());
        if (roll < 270) return "close " + w;
        if (roll < 320) {
            auto items = sys::MenuItems(GetSystemMenu(form.Handle(), FALSE));
            std::vector<std::string> texts;
            for (const auto& item : items) {
                std::string t = item.text;
                while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
                    t.erase(t.begin());
                while (!t.empty() && (t.back() == ' ' || t.back() == '\t'))
                    t.pop_back();
                if (!(item.flags & MF_SEPARATOR) && !t.empty() && t.find('"') == std::string::npos)
                    texts.push_back(t);
            }
            if (texts.empty()) return "";
            return "sysmenu " + w + " " + Quoted(m_rng.Pick(texts));
        }
        if (roll < 350 && dynamic_cast<krvl::TMixerFrame*>(&form))
            return "resize " + w + " " + std::to_string(m_rng.Between(0, 900)) + " " +
                   std::to_string(m_rng.Between(0, 900));
        return ControlAction(form);
    }

    std::string OtherProgram() {
        std::string card = std::to_string(m_rng.Between(1, m_cards));
        auto word = [&] { return std::to_string(m_rng.Below(0x10000)); };
        auto muteWord = [&] { return std::string(m_rng.Chance(0.5) ? "0" : "65535"); };
        std::string analog = std::to_string(m_rng.Below(2));
        switch (m_rng.Below(7)) {
        case 0:
            return "emu set-volume " + card + " " + analog + " " + word() + " " + word();
        case 1:
            return "emu set-mute " + card + " " + analog + " " + muteWord() + " " + muteWord();
        case 2:
            return "emu set-gain " + card + " " + analog + " " + word() + " " + word();
        case 3:
            return "emu set-input-mute " + card + " " + analog + " " + muteWord() + " " + muteWord();
        case 4:
            return "emu set-source " + card + " " + std::to_string(m_rng.Below(3)) + " " +
                   std::to_string(m_rng.Below(7));
        case 5: {
            // Byte 0 the input, byte 1 the monitoring mode, byte 2 the monitored pair.
            DWORD record = static_cast<DWORD>(m_rng.Below(3)) | static_cast<DWORD>(m_rng.Below(3)) << 8 |
                           static_cast<DWORD>(m_rng.Below(3)) << 16;
            return "emu set-routing " + card + " " + std::to_string(m_rng.Below(3)) + " " +
                   std::to_string(record);
        }
        default:
            return "emu set-format " + card + " " + std::to_string(m_rng.Below(2));
        }
    }

    std::string ControlAction(tk::TForm& form) {
        std::vector<tk::TControl*> all;
        Collect(form, all);
        std::vector<std::pair<tk::TControl*, std::string>> usable, others;
        for (tk::TControl* c : all) {
            if (c == &form || !c->Showing() || !c->Enabled()) continue;
            std::string a = Address(form, *c);
            if (a.empty()) continue;
            // Mostly what a user aims at; now and then a label, lamp or panel.
            bool aimed = dynamic_cast<krvl::TSlider*>(c) || dynamic_cast<tk::TTrackBar*>(c) ||
                         dynamic_cast<tk::TComboBox*>(c) || dynamic_cast<tk::TPageControl*>(c) ||
                         dynamic_cast<tk::TEdit*>(c) || dynamic_cast<tk::TButtonControl*>(c) ||
                         dynamic_cast<tk::TSpeedButton*>(c) || dynamic_cast<tk::TRadioButton*>(c);
            (aimed ? usable : others).emplace_back(c, a);
        }
        if (usable.empty() || m_rng.Chance(0.15)) usable.swap(others);
        if (usable.empty()) return "";
        auto [control, address] = m_rng.Pick(usable);
        std::string head = Quoted(form.Caption()) + " " + Quoted(address);
        if (auto* fader = dynamic_cast<krvl::TSlider*>(control)) {
            if (!fader->Knob()) return "";
            return "drag " + head + " " + std::to_string(m_rng.Between(-150, 150));
        }
        if (dynamic_cast<tk::TTrackBar*>(control))
            return "drag " + head + " " + std::to_string(m_rng.Between(-120, 120));
        if (auto* combo = dynamic_cast<tk::TComboBox*>(control)) {
            if (combo->Items().Count() == 0) return "";
            return "select " + head + " " + std::to_string(m_rng.Below(combo->Items().Count()));
        }
        if (auto* pages = dynamic_cast<tk::TPageControl*>(control)) {
            auto tabs = pages->TabRects();
            std::vector<int> shown;
            for (std::size_t i = 0; i < tabs.size(); ++i)
                if (!tabs[i].Empty()) shown.push_back(static_cast<int>(i));
            if (shown.empty()) return "";
            return "select " + head + " " + std::to_string(m_rng.Pick(shown));
        }
        if (dynamic_cast<tk::TEdit*>(control)) return "type " + head + " " + Quoted(RandomText());
        if (dynamic_cast<tk::TScrollBox*>(control))
            return "scroll " + head + " " + std::to_string(m_rng.Between(-300, 300));
        return "click " + head;
    }

    std::string RandomText() {
        static const std::string kChars = "0123456789012345678901234567890123456789-+ ,.abcXYZ";
        std::string s;
        int n = m_rng.Chance(0.1) ? m_rng.Between(20, 60) : m_rng.Between(0, 6);
        for (int i = 0; i < n; ++i)
            s += kChars[static_cast<std::size_t>(m_rng.Below(static_cast<int>(kChars.size())))];
        return s;
    }

    Rng& m_rng;
    int m_cards;
    int m_budget;
    std::ostringstream& m_out;
    std::map<std::string, int>& m_tally;
    CloseTally& m_closes;
    harness::Harness* m_harness{};
    std::shared_ptr<HandleWatch> m_watch;
    std::map<krvl::TMixerFrame*, Held> m_held;
    std::set<std::uintptr_t> m_openBefore;
    std::size_t m_blocksBefore{};
    std::size_t m_seen{};
    int m_steps{};
    bool m_started{};
    bool m_ended{};
    bool m_removed{};
    bool m_lastWasRefresh{};
    std::optional<std::size_t> m_idleBlocks;
    std::vector<std::string> m_failures;
    std::deque<std::string> m_recent;
};

std::string Scenario(Rng& rng, int cards) {
    std::string s = "{\"cards\": [";
    for (int c = 0; c < cards; ++c)
        s += std::string(c ? "," : "") + "{\"extended\": " + (rng.Chance(0.5) ? "true" : "false") + "}";
    return s + "]}";
}

TEST(RandomUse, ThousandsOfRandomActionsKeepEveryWindowSoundAndNothingLeaks) {
    std::uint64_t seed = EnvNumber("KRVL_RANDOM_SEED", 18);
    int steps = static_cast<int>(EnvNumber("KRVL_RANDOM_STEPS", 2000));
    std::cout << "random use: KRVL_RANDOM_SEED=" << seed << " KRVL_RANDOM_STEPS=" << steps << std::endl;
    Rng rng(seed);

    // One settings folder for every session, so each start reads what the sessions before left.
    auto dir = std::filesystem::temp_directory_path() / ("krvl-random-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);

    int done = 0;
    int sessions = 0;
    std::map<std::string, int> tally;
    CloseTally closes;
    while (done < steps) {
        int cards = rng.Between(1, 4);
        std::string scenarioPath = (dir / "scenario.json").string();
        { std::ofstream(scenarioPath) << Scenario(rng, cards); }
        harness::Options options;
        options.scenarioFile = scenarioPath;
        options.windowsDir = dir.string();
        std::ostringstream out;
        RandomUser user(rng, cards, std::min(steps - done, rng.Between(50, 600)), out, tally, closes);
        int status = 0;
        {
            harness::Harness h(options, out);
            user.Attach(h);
            status = h.Run([&user] { return user.Next(); });
        }
        ++sessions;
        done += std::max(user.StepsTaken(), 1);
        std::string context = "seed " + std::to_string(seed) + ", session " + std::to_string(sessions) +
                              " on " + std::to_string(cards) + " cards; last steps:\n" + user.Recent();
        ASSERT_EQ(status, 0) << context
                             << out.str().substr(out.str().size() > 2000 ? out.str().size() - 2000 : 0);
        for (const auto& f : user.Failures())
            ADD_FAILURE() << f << "\n" << context;
        if (!user.Failures().empty()) break;
        // Whatever the session did, the program ends with every handle and block given back.
        EXPECT_EQ(sys::OpenWaveHandles(), 0u) << context;
        EXPECT_EQ(sys::LiveBlocks16(), 0u) << context;
    }
    std::cout << "random use: " << done << " steps in " << sessions << " sessions; " << closes.closes
              << " window closes checked, holding " << closes.handles << " handles; " << closes.unassigned
              << " handles of no single window" << std::endl;
    // A run of some length closes windows while the program goes on; none checked means a blind check.
    if (steps >= 500) {
        EXPECT_GT(closes.handles, 0);
    }
    for (const auto& [what, n] : tally)
        std::cout << "  " << what << ": " << n << std::endl;
    std::filesystem::remove_all(dir);
}

} // namespace
