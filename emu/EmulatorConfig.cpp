// The driver's configuration entry, run by the "rundll.exe" host on a thread of its own.
#include "emu/Emulator.h"

#include <cctype>
#include <cstring>
#include <sstream>

namespace emu {
namespace {

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// "$XXXXXXXX" or "#XXXXXXXX": exactly eight hexadecimal digits after the mark.
bool ParseAddress(const std::string& token, char mark, DWORD& vp) {
    if (token.size() != 9 || token[0] != mark) return false;
    DWORD v = 0;
    for (std::size_t i = 1; i < token.size(); ++i) {
        char c = token[i];
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
        v = v << 4 | static_cast<DWORD>(
                         std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::toupper(c) - 'A' + 10);
    }
    vp = v;
    return true;
}

DWORD Le32(const BYTE* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<DWORD>(p[3]) << 24;
}

void Put32(BYTE* p, DWORD v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<BYTE>(v >> (8 * i));
}

} // namespace

void Emulator::DriverConfig(const std::string& commandLine) {
    std::vector<std::string> tokens;
    {
        std::istringstream in(commandLine);
        for (std::string t; in >> t;)
            tokens.push_back(t);
    }
    // The completion word is set whenever its address can be found, even on a line that is otherwise
    // malformed, so the waiting program is never left hanging by a typing error.
    DWORD completion = 0;
    bool haveCompletion = false;
    for (auto& t : tokens)
        if (!haveCompletion && ParseAddress(t, '#', completion)) haveCompletion = true;

    std::string request = tokens.size() > 1 ? tokens[1] : "";
    DWORD data = 0;
    bool wellFormed = tokens.size() == 4 && EqualNoCase(tokens[0], kConfigEntry) &&
                      ParseAddress(tokens[2], '$', data) && ParseAddress(tokens[3], '#', completion);

    std::lock_guard lock(m_mutex);
    EmitLocked("config \"" + commandLine + "\"");
    if (m_scenario.faults.configNeverCompletes) return;
    if (wellFormed) ConfigRequestLocked(request, data);
    if (haveCompletion && sys::AccessVdm16(completion, 4, [](BYTE* p) { Put32(p, 1); }))
        EmitLocked("config-done " + request);
}

void Emulator::ConfigRequestLocked(const std::string& request, DWORD data) {
    if (request == ConfigRequestName(CFG_GETSTATES)) {
        std::array<LONG, kStateCount> rec{};
        if (m_scenario.stateRecord) {
            rec = *m_scenario.stateRecord;
        } else {
            rec[0] = m_scenario.overallState;
            for (int c = 0; c < CardCount(); ++c)
                rec[c + 1] = m_cards[c].st.state;
        }
        sys::AccessVdm16(data, kStateRecordSize, [&](BYTE* p) {
            for (int i = 0; i < kStateCount; ++i)
                Put32(p + 4 * i, static_cast<DWORD>(rec[i]));
        });
    } else if (request == ConfigRequestName(CFG_RECONFIGURABLE)) {
        LONG answer =
            m_scenario.faults.reconfigurable ? *m_scenario.faults.reconfigurable : (BusyLocked() ? 0 : 1);
        sys::AccessVdm16(data, 4, [&](BYTE* p) { Put32(p, static_cast<DWORD>(answer)); });
    } else if (request == ConfigRequestName(CFG_GETCONFIG)) {
        sys::AccessVdm16(data, kConfigRecordSize,
                         [&](BYTE* p) { std::memcpy(p, m_config.data(), m_config.size()); });
    } else if (request == ConfigRequestName(CFG_SETCONFIG) ||
               request == ConfigRequestName(CFG_SETCONFIG_ONTHEFLY)) {
        std::array<BYTE, kConfigRecordSize> rec{};
        if (!sys::AccessVdm16(data, kConfigRecordSize,
                              [&](BYTE* p) { std::memcpy(rec.data(), p, rec.size()); }))
            return;
        // -1 at the start of the first slice is the program letting go of a removed card; the mark
        // itself is not kept, so the next run starts with a clean record.
        if (static_cast<LONG>(Le32(rec.data() + kCfgReleased)) == -1) {
            m_released = true;
            Put32(rec.data() + kCfgReleased, 0);
        }
        m_config = rec;
        StateChangedLocked();
    }
}

} // namespace emu
