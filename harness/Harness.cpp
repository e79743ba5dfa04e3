#include "harness/Harness.h"

#include "app/Formutil.h"
#include "app/startup.h"
#include "app/tbmainf.h"
#include "emu/Emulator.h"
#include "mixer/Frame.h"
#include "pulse/Driver.h"
#include "system/sys.h"
#include "toolkit/Forms.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace harness {
namespace {

std::mutex g_printMutex;

// \r, \n, quotes and backslashes written so a line stays one line.
std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Hex(unsigned v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", v);
    return buf;
}

// Splits on blanks; a word in double quotes may hold blanks.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= line.size()) break;
        std::string w;
        if (line[i] == '"') {
            ++i;
            while (i < line.size() && line[i] != '"')
                w += line[i++];
            ++i;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t')
                w += line[i++];
        }
        words.push_back(w);
    }
    return words;
}

// A "#" inside double quotes is text (the settings dialogs' captions end in "Karte #N").
std::size_t CommentStart(const std::string& line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        if (line[i] == '#' && !quoted) return i;
    }
    return std::string::npos;
}

} // namespace

long long Number(const std::string& text, int line, long long min, long long max) {
    long long v = 0;
    try {
        std::size_t used = 0;
        v = std::stoll(text, &used, 0);
        if (used != text.size()) throw std::invalid_argument(text);
    } catch (const std::exception&) {
        throw ScriptError{"line " + std::to_string(line) + ": not a number: " + text};
    }
    if (v < min || v > max) throw ScriptError{"line " + std::to_string(line) + ": out of range: " + text};
    return v;
}

Harness::Harness(Options options, std::ostream& out) : m_options(std::move(options)), m_out(out) {}

Harness::~Harness() {
    sys::SetWaitHook(nullptr);
    if (m_emu) m_emu->Uninstall();
    m_emu.reset();
    if (m_pulse) m_pulse->Uninstall();
    m_pulse.reset();
    if (!m_tempDir.empty()) {
        std::error_code ec;
        fs::remove_all(m_tempDir, ec);
    }
}

void Harness::Print(const std::string& line) {
    std::lock_guard lock(g_printMutex);
    m_out << line << '\n';
    m_out.flush();
}

bool Harness::Running() const {
    return m_phase == Phase::Running && !m_exiting;
}

// One line of script text: the command it holds, if any.
static std::optional<ScriptLine> ReadScriptLine(std::string text, int line) {
    if (auto hash = CommentStart(text); hash != std::string::npos) text.erase(hash);
    auto words = Words(text);
    if (words.empty()) return std::nullopt;
    ScriptLine c{line, words, ""};
    auto start = text.find(words[0]) + words[0].size();
    c.rest = text.substr(start);
    return c;
}

std::vector<ScriptLine> ReadScript(const std::vector<std::string>& lines) {
    std::vector<ScriptLine> commands;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (auto c = ReadScriptLine(lines[i], static_cast<int>(i + 1))) commands.push_back(std::move(*c));
    return commands;
}

int Harness::Run(const std::vector<std::string>& lines) {
    std::size_t i = 0;
    return Run([&lines, i]() mutable -> std::optional<std::string> {
        if (i >= lines.size()) return std::nullopt;
        return lines[i++];
    });
}

const Harness::Command* Harness::NextCommand() {
    while (m_source) {
        std::optional<std::string> line = m_source();
        if (!line) {
            m_source = nullptr;
            break;
        }
        ++m_lineNumber;
        if (auto c = ReadScriptLine(std::move(*line), m_lineNumber)) {
            m_commands.push_back(std::move(*c));
            return &m_commands.back();
        }
    }
    return nullptr;
}

int Harness::Run(LineSource source) {
    m_source = std::move(source);
    try {
        if (m_options.windowsDir.empty()) {
            char tmpl[] = "/tmp/krvl-script-XXXXXX";
            if (!::mkdtemp(tmpl)) throw ScriptError{"cannot make a temporary folder"};
            m_tempDir = tmpl;
            m_options.windowsDir = m_tempDir;
        }
        sys::SetWindowsDirectory(m_options.windowsDir);
        m_clock = &sys::UseVirtualClock();
        if (m_options.backend == "pulse") {
            pulse::Options options;
            options.mapFile = m_options.pulseMap;
            m_pulse = pulse::Driver::Install(options);
        } else {
            emu::Scenario scenario = m_options.scenarioFile.empty()
                                         ? emu::Scenario::Default()
                                         : emu::Scenario::FromFile(m_options.scenarioFile);
            m_emu = emu::Emulator::Install(scenario);
            if (m_options.trace)
                m_emu->SetTranscriptSink([this](const std::string& l) { Print("drv " + l); });
        }
        sys::SetMessageBoxObserver([this](const sys::MessageBoxRecord& r) {
            Print("msgbox caption=\"" + Escape(r.caption) + "\" style=" + Hex(r.style) + " text=\"" +
                  Escape(r.text) + "\"");
        });
        // What the program reports without a box (a failing save at the end of the session).
        krvl::SetSaveReportSink([this](const std::string& caption, const std::string& text) {
            Print("report caption=\"" + Escape(caption) + "\" text=\"" + Escape(text) + "\"");
        });
        sys::SetWaitHook([this] { Pump(); });

        while (!m_error) {
            const Command* c = NextCommand();
            if (!c) break;
            Execute(*c);
        }
    } catch (const ScriptError& e) {
        m_error = e;
    } catch (const emu::ScenarioError& e) {
        m_error = ScriptError{std::string("scenario: ") + e.what()};
    } catch (const pulse::MapError& e) {
        m_error = ScriptError{e.what()};
    }
    sys::SetWaitHook(nullptr);
    sys::SetMessageBoxObserver(nullptr);
    krvl::SetSaveReportSink(nullptr);
    if (m_emu) m_emu->SetTranscriptSink(nullptr);
    sys::JoinShellPrograms();
    if (m_error) {
        Print("error: " + m_error->reason);
        return 2;
    }
    return 0;
}

void Harness::WakeProgram() {
    PostMessageA(nullptr, WM_NULL, 0, 0);
}

void Harness::AdvanceWait() {
    // One due timer at a time, so every message falls due in time order.
    while (m_waitUntil) {
        auto due = m_clock->NextDue();
        if (due && *due <= *m_waitUntil) {
            if (m_pulse && !KeepPace(*due)) return; // the server reported something meanwhile
            m_clock->AdvanceTo(*due);
            if (sys::PendingMessages() > 0 || krvl::ExitFlag()) return;
        } else {
            if (m_pulse && !KeepPace(*m_waitUntil)) return;
            m_clock->AdvanceTo(*m_waitUntil);
            m_waitUntil.reset();
        }
    }
}

bool Harness::KeepPace(std::uint64_t virtualMs) {
    auto now = std::chrono::steady_clock::now();
    if (!m_paceStart) m_paceStart = {now, m_clock->NowMs()};
    auto target = m_paceStart->first + std::chrono::milliseconds(virtualMs - m_paceStart->second);
    while (std::chrono::steady_clock::now() < target) {
        if (sys::PendingMessages() > 0) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void Harness::Pump() {
    for (;;) {
        // The program may have been told to end by what just ran (a removal on the clock, say).
        if (krvl::ExitFlag()) m_exiting = true;
        if (m_waitUntil && !m_exiting) {
            AdvanceWait();
            if (m_waitUntil) return; // messages to process first
        }
        if (sys::PendingMessages() > 0) return;
        if (krvl::ExitFlag()) m_exiting = true;
        if (m_exiting) {
            // The program was told to end; let its loop see that.
            WakeProgram();
            return;
        }
        const Command* next = m_error ? nullptr : NextCommand();
        if (!next) {
            // The script is done while the program still runs: end it the way a user would.
            CmdExit();
            return;
        }
        const Command& c = *next;
        try {
            Execute(c);
        } catch (const ScriptError& e) {
            m_error = e;
            CmdExit();
            return;
        } catch (...) {
            // What the command reached in the program failed (an end of session, a paint): reported as
            // the program's loop reports it, and the script goes on.
            tk::Application->HandleException(std::current_exception());
        }
        if (sys::PendingMessages() > 0) return;
    }
}

void Harness::RequireRunning(const Command& c) {
    if (m_phase == Phase::NotStarted)
        throw ScriptError{"line " + std::to_string(c.line) + ": " + c.words[0] + " before start"};
}

void Harness::Execute(const Command& c) {
    const std::string& cmd = c.words[0];
    auto need = [&](std::size_t n) {
        if (c.words.size() < n + 1)
            throw ScriptError{"line " + std::to_string(c.line) + ": " + cmd + " needs " + std::to_string(n) +
                              " arguments"};
    };
    // Commands about the program itself are skipped once it has ended.
    auto ended = [&] {
        if (m_phase == Phase::Ended || m_exiting) {
            Print("program ended");
            return true;
        }
        RequireRunning(c);
        return false;
    };

    if (cmd == "start") {
        if (m_phase != Phase::NotStarted)
            throw ScriptError{"line " + std::to_string(c.line) + ": started twice"};
        m_phase = Phase::Running;
        krvl::ProgramEntry();
        m_phase = Phase::Ended;
        m_exiting = false;
        if (m_waitUntil) {
            // The rest of a wait the program did not live through still passes.
            m_clock->AdvanceTo(*m_waitUntil);
            m_waitUntil.reset();
        }
    } else if (cmd == "wait") {
        need(1);
        long long ms = Number(c.words[1], c.line);
        if (ms < 0) throw ScriptError{"line " + std::to_string(c.line) + ": negative wait"};
        m_waitUntil = m_clock->NowMs() + static_cast<std::uint64_t>(ms);
        m_paceStart.reset(); // the wait takes its time from now
        if (!Running()) {
            // No program loop to hand messages to: time just passes (the card's events still run).
            m_clock->AdvanceTo(*m_waitUntil);
            m_waitUntil.reset();
        }
    } else if (cmd == "tray") {
        need(1);
        if (ended()) return;
        UINT msg = c.words[1] == "dblclick" ? WM_LBUTTONDBLCLK
                   : c.words[1] == "click"  ? WM_LBUTTONDOWN
                   : c.words[1] == "rclick" ? WM_RBUTTONDOWN
                                            : 0;
        if (!msg) throw ScriptError{"line " + std::to_string(c.line) + ": unknown tray action " + c.words[1]};
        if (!sys::DeliverTrayMouse(msg)) Print("tray: no icon");
    } else if (cmd == "post") {
        need(4);
        if (ended()) return;
        tk::TForm& form = Window(c, c.words[1]);
        PostMessageA(form.Handle(), static_cast<UINT>(Number(c.words[2], c.line, 0, UINT_MAX)),
                     static_cast<WPARAM>(Number(c.words[3], c.line)),
                     static_cast<LPARAM>(Number(c.words[4], c.line)));
    } else if (cmd == "endsession") {
        if (ended()) return;
        HWND main = krvl::frmMain ? krvl::frmMain->Handle() : nullptr;
        LRESULT ok = SendMessageA(main, WM_QUERYENDSESSION, 0, 0);
        SendMessageA(main, WM_ENDSESSION, ok ? 1 : 0, 0);
        if (krvl::ExitFlag()) m_exiting = true;
    } else if (cmd == "windows") {
        if (ended()) return;
        CmdWindows();
    } else if (cmd == "ini") {
        CmdIni();
    } else if (cmd == "stats") {
        CmdStats();
    } else if (cmd == "emu") {
        need(1);
        CmdEmu(c);
    } else if (cmd == "pactl") {
        need(1);
        CmdPactl(c);
    } else if (cmd == "exit") {
        if (ended()) return;
        CmdExit();
    } else if (ExecuteControlCommand(c)) {
        // a user action on a window or control
    } else {
        throw ScriptError{"line " + std::to_string(c.line) + ": unknown command " + cmd};
    }
}

void Harness::CmdStats() {
    // Totals since the process started; a reader takes differences between two lines.
    sys::Activity a = sys::ReadActivity();
    tk::TPaintActivity p = tk::ReadPaintActivity();
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    std::uint64_t cpuUs =
        static_cast<std::uint64_t>(cpu.tv_sec) * 1000000u + static_cast<std::uint64_t>(cpu.tv_nsec) / 1000u;
    std::ostringstream line;
    line << "stats ms=" << m_clock->NowMs() << " driver=" << a.driverMessages
         << " messages=" << a.messagesDispatched << " invalidations=" << p.invalidations
         << " area=" << p.invalidatedArea << " fills=" << p.shapeFills << " paints=" << p.paints
         << " cpu_us=" << cpuUs;
    Print(line.str());
}

void Harness::CmdExit() {
    if (m_phase != Phase::Running) return;
    if (krvl::frmMain)
        krvl::frmMain->ExitCommand();
    else
        krvl::ExitFlag() = true;
    m_exiting = true;
    WakeProgram();
}

void Harness::CmdWindows() {
    for (int i = 0; i < tk::Screen->FormCount(); ++i) {
        tk::TForm* f = tk::Screen->Forms(i);
        auto model = sys::GetWindowModel(f->HandleAllocated() ? f->Handle() : nullptr);
        Print("window caption=\"" + Escape(f->Caption()) + "\" class=" + f->ClassName() +
              " visible=" + (f->Visible() ? "1" : "0") + " bounds=" + std::to_string(f->Left()) + "," +
              std::to_string(f->Top()) + "," + std::to_string(f->Width()) + "," +
              std::to_string(f->Height()) + " topmost=" + (model.topmost ? "1" : "0"));
    }
}

void Harness::CmdIni() {
    std::ifstream in(sys::ResolveProfilePath("KRVLmix.ini"), std::ios::binary);
    if (!in) {
        Print("ini: no settings file");
        return;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        Print(line);
    }
}

void Harness::CmdEmu(const Command& c) {
    const std::string& action = c.words[1];
    if (!m_emu) throw ScriptError{"line " + std::to_string(c.line) + ": emu: not on the emulated card"};
    auto arg = [&](std::size_t i) {
        if (c.words.size() <= i)
            throw ScriptError{"line " + std::to_string(c.line) + ": emu " + action + " needs more arguments"};
        return Number(c.words[i], c.line);
    };
    auto card = [&] {
        long long n = arg(2);
        if (n < 1 || n > m_emu->CardCount())
            throw ScriptError{"line " + std::to_string(c.line) + ": no card " + c.words[2]};
        return static_cast<int>(n - 1);
    };
    auto pair = [&](int maxPair) {
        long long p = arg(3);
        if (p < 0 || p > maxPair)
            throw ScriptError{"line " + std::to_string(c.line) + ": no pair " + c.words[3]};
        return static_cast<int>(p);
    };
    auto stereo = [&](std::size_t i) {
        return static_cast<DWORD>((arg(i) & 0xFFFF) | ((arg(i + 1) & 0xFFFF) << 16));
    };
    MMRESULT r = MMSYSERR_NOERROR;
    if (action == "remove") {
        int k = card();
        bool removed = m_emu->RemoveCard(k);
        if (!removed) Print("emu: card " + c.words[2] + " not removed");
        if (krvl::ExitFlag() && m_phase == Phase::Running) {
            m_exiting = true;
            WakeProgram();
        }
        return;
    } else if (action == "set-volume") {
        int k = card();
        r = m_emu->SetVolume(k, pair(1), stereo(4));
    } else if (action == "set-mute") {
        int k = card();
        r = m_emu->SetOutputMute(k, pair(1), stereo(4));
    } else if (action == "set-source") {
        int k = card();
        int p = pair(2);
        r = m_emu->SetSource(k, p, static_cast<DWORD>(arg(4)));
    } else if (action == "set-routing") {
        int k = card();
        int p = pair(2);
        r = m_emu->SetRouting(k, p, static_cast<DWORD>(arg(4)));
    } else if (action == "set-format") {
        int k = card();
        r = m_emu->SetDigitalFormat(k, static_cast<DWORD>(arg(3)));
    } else if (action == "set-gain") {
        int k = card();
        r = m_emu->SetGain(k, pair(1), stereo(4));
    } else if (action == "set-input-mute") {
        int k = card();
        r = m_emu->SetInputMute(k, pair(1), stereo(4));
    } else if (action == "config") {
        // The card's slice of the driver's configuration record: the given offsets, or every non-zero
        // field.
        int k = card();
        auto record = m_emu->ConfigRecord();
        const BYTE* slice = record.data() + static_cast<std::size_t>(k) * emu::kConfigSliceSize;
        auto field = [&](DWORD offset) {
            const BYTE* p = slice + offset;
            return static_cast<LONG>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<DWORD>(p[3]) << 24);
        };
        std::ostringstream o;
        o << "config card=" << (k + 1);
        if (c.words.size() > 3) {
            for (std::size_t i = 3; i < c.words.size(); ++i) {
                long long offset = Number(c.words[i], c.line);
                if (offset < 0 || offset > static_cast<long long>(emu::kConfigSliceSize) - 4)
                    throw ScriptError{"line " + std::to_string(c.line) + ": no field at " + c.words[i]};
                o << ' ' << offset << '=' << field(static_cast<DWORD>(offset));
            }
        } else {
            for (DWORD offset = 0; offset + 4 <= emu::kConfigSliceSize; offset += 4)
                if (LONG v = field(offset)) o << ' ' << offset << '=' << v;
        }
        Print(o.str());
        return;
    } else if (action == "state") {
        int k = card();
        emu::CardState s = m_emu->Card(k);
        std::ostringstream o;
        o << "card " << (k + 1) << " removed=" << s.removed << " extended=" << s.extended
          << " format=" << s.digitalFormat;
        for (int p = 0; p < 2; ++p)
            o << " gain" << p << "=" << Hex(s.gain[p]) << " inmute" << p << "=" << Hex(s.inputMute[p])
              << " volume" << p << "=" << Hex(s.volume[p]) << " outmute" << p << "=" << Hex(s.outputMute[p]);
        for (int p = 0; p < 3; ++p)
            o << " routing" << p << "=" << Hex(s.routing[p]) << " source" << p << "=" << s.source[p];
        Print(o.str());
        return;
    } else {
        throw ScriptError{"line " + std::to_string(c.line) + ": unknown emu action " + action};
    }
    if (r != MMSYSERR_NOERROR) Print("emu: " + action + " refused (" + std::to_string(r) + ")");
}

void Harness::CmdPactl(const Command& c) {
    if (!m_pulse) throw ScriptError{"line " + std::to_string(c.line) + ": pactl: not on the sound server"};
    // The script's words are the arguments as they stand: no shell sees them.
    std::vector<std::string> argv(c.words.begin(), c.words.end());
    std::vector<char*> args;
    for (auto& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw ScriptError{"line " + std::to_string(c.line) + ": pactl: no pipe"};
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], 1);
        ::dup2(fds[1], 2);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        throw ScriptError{"line " + std::to_string(c.line) + ": pactl: cannot start"};
    }
    // A server that stalls would hold pactl, and the script with it.
    std::string text;
    bool answered = true;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            answered = false;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char buf[4096];
        ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        text.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    if (!answered) ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::istringstream lines(text);
    for (std::string l; std::getline(lines, l);)
        Print("pactl " + l);
    if (!answered)
        Print("pactl: no answer");
    else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        Print("pactl: failed (" +
              std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)) + ")");
}

tk::TForm& Harness::Window(const Command& c, const std::string& caption) {
    tk::TForm* form = tk::Screen->FindForm(caption);
    if (!form) throw ScriptError{"line " + std::to_string(c.line) + ": no window \"" + caption + "\""};
    return *form;
}

tk::TControl* Harness::FindControl(const Command& c, tk::TForm& form, const std::string& name) {
    if (auto slash = name.find('/'); slash != std::string::npos) {
        auto* parent = dynamic_cast<tk::TWinControl*>(FindControl(c, form, name.substr(0, slash)));
        if (!parent) return nullptr;
        std::string caption = name.substr(slash + 1);
        for (int i = 0; i < parent->ControlCount(); ++i)
            if (tk::StripAccelerator(parent->Controls(i)->Caption()) == caption) return parent->Controls(i);
        return nullptr;
    }
    if (auto at = name.rfind('@'); at != std::string::npos) {
        long long card = Number(name.substr(at + 1), c.line);
        std::string source = name.substr(0, at);
        if (card == 1) return dynamic_cast<tk::TControl*>(form.FindComponent(source));
        auto* frame = dynamic_cast<krvl::TMixerFrame*>(&form);
        return frame && card >= 2 && card <= 4 ? frame->CopyFor(source, static_cast<int>(card)) : nullptr;
    }
    return dynamic_cast<tk::TControl*>(form.FindComponent(name));
}

tk::TControl& Harness::Control(const Command& c, tk::TForm& form, const std::string& name) {
    tk::TControl* control = FindControl(c, form, name);
    if (!control)
        throw ScriptError{"line " + std::to_string(c.line) + ": no control " + name + " in \"" +
                          form.Caption() + "\""};
    return *control;
}

} // namespace harness
