// krvl-script: runs the real program entry headless on the emulated card with the virtual clock and
// drives it with a line-based script (docs/harness.md has the grammar).
#pragma once

#include <chrono>
#include <climits>
#include <deque>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace emu {
class Emulator;
}
namespace pulse {
class Driver;
}
namespace sys {
class VirtualClock;
}
namespace tk {
class TForm;
class TControl;
} // namespace tk

namespace harness {

struct Options {
    std::string scenarioFile; // empty: the default scenario
    std::string windowsDir;   // empty: a fresh temporary folder
    bool trace{};
    std::string backend{"emu"}; // or "pulse": the sound server the environment names
    std::string pulseMap;       // with "pulse": the map file; empty for every sink and source
};

// A script error: the run stops and the program exits with status 2.
struct ScriptError {
    std::string reason;
};

// The one parser of script numbers: decimal or 0x hexadecimal, within min ... max; anything else is a
// script error naming the line ("not a number: X", "out of range: X").
long long Number(const std::string& text, int line, long long min = LLONG_MIN, long long max = LLONG_MAX);

// One script line that holds a command: its number, its words (a word in double quotes may hold blanks)
// and the text after the command word. Comments ("#" outside quotes) and blank lines hold none.
struct ScriptLine {
    int line{};
    std::vector<std::string> words;
    std::string rest;
};
// The script reader: the commands of the lines, in order.
std::vector<ScriptLine> ReadScript(const std::vector<std::string>& lines);

class Harness {
public:
    Harness(Options options, std::ostream& out);
    ~Harness();

    // Runs every line; 0 when the script ran to its end, 2 after a script error (the reason printed).
    int Run(const std::vector<std::string>& lines);
    // The same, asking for each line only when the previous command has done its work (the program
    // waits in its loop again, or has ended): a driver that chooses its next step from what it sees.
    // The script ends when the source gives nothing.
    using LineSource = std::function<std::optional<std::string>()>;
    int Run(LineSource source);
    // The emulated card of the run (null before the run, and with another backend), for a driver that
    // checks what the card holds.
    emu::Emulator* Emulated() const { return m_emu.get(); }

private:
    using Command = ScriptLine;

    void Print(const std::string& line);
    // The next command of the script, or null at its end. Commands stay where they are while a
    // nested loop runs further ones.
    const Command* NextCommand();
    void Execute(const Command& command);
    // Runs the script while the program waits for messages; returns when it has something to do.
    void Pump();
    bool Running() const;
    void RequireRunning(const Command& command);
    void WakeProgram();
    void AdvanceWait();
    // Waits until real time has caught up with virtualMs; false when a message arrived first.
    bool KeepPace(std::uint64_t virtualMs);

    tk::TForm& Window(const Command& command, const std::string& caption);
    tk::TControl& Control(const Command& command, tk::TForm& form, const std::string& name);
    // NAME, NAME@C (a mixer window's copy for card C) or PARENT/CAPTION; null when there is none.
    tk::TControl* FindControl(const Command& command, tk::TForm& form, const std::string& name);
    // One input event under the program's error handling, as a posted one is handled: an exception
    // becomes the application's error report. False when the event destroyed the form.
    bool Deliver(tk::TForm& form, const std::function<void()>& event);
    void ClickAt(tk::TForm& form, tk::TControl& control, int dx = 0, int dy = 0);
    void ShowTree(tk::TControl& control, int depth);
    void Snapshot(const Command& c, tk::TForm& form, const std::string& file);
    std::string Describe(tk::TControl& control);

    bool ExecuteControlCommand(const Command& c);
    void CmdEmu(const Command& c);
    // Runs pactl with the command's words on the server the driver talks to; its lines, "pactl "-prefixed.
    void CmdPactl(const Command& c);
    void CmdWindows();
    void CmdIni();
    void CmdStats();
    void CmdExit();

    Options m_options;
    std::ostream& m_out;
    std::string m_tempDir;
    sys::VirtualClock* m_clock{};
    std::shared_ptr<emu::Emulator> m_emu;
    std::shared_ptr<pulse::Driver> m_pulse; // a real server's meters run in real time: waits keep pace
    LineSource m_source;
    int m_lineNumber{};
    std::deque<Command> m_commands;
    enum class Phase { NotStarted, Running, Ended } m_phase{Phase::NotStarted};
    std::optional<std::uint64_t> m_waitUntil;
    std::optional<std::pair<std::chrono::steady_clock::time_point, std::uint64_t>> m_paceStart;
    bool m_exiting{};
    std::optional<ScriptError> m_error;
};

} // namespace harness
