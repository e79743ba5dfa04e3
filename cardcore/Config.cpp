#include "cardcore/Config.h"

#include "system/sys.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <vector>

namespace cardcore {
namespace {

using namespace krvl::proto;

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

ConfigCommand ConfigCommand::Parse(const std::string& commandLine) {
    std::vector<std::string> tokens;
    std::istringstream in(commandLine);
    for (std::string t; in >> t;)
        tokens.push_back(t);
    ConfigCommand c;
    DWORD vp = 0;
    for (auto& t : tokens)
        if (!c.completion && ParseAddress(t, '#', vp)) c.completion = vp;
    c.request = tokens.size() > 1 ? tokens[1] : "";
    c.wellFormed = tokens.size() == 4 && EqualNoCase(tokens[0], kConfigEntry) &&
                   ParseAddress(tokens[2], '$', c.data) && ParseAddress(tokens[3], '#', vp);
    if (c.wellFormed) c.completion = vp;
    return c;
}

bool ConfigCommand::Complete() const {
    return completion && sys::AccessVdm16(*completion, 4, [](BYTE* p) { Put32(p, 1); });
}

ConfigRecord DefaultConfigRecord(int cardCount) {
    ConfigRecord rec{};
    auto put = [&](int card, DWORD offset, LONG value) {
        Put32(rec.data() + card * kConfigSliceSize + offset, static_cast<DWORD>(value));
    };
    for (int c = 0; c < cardCount && c < kMaxCards; ++c) {
        put(c, kCfgMaster, c == 0 ? -1 : 0);
        put(c, kCfgRateConflictMessages, -1);
        put(c, kCfgDeviceConflictMessages, -1);
        put(c, kCfgDefaultRate, 44100);
        put(c, kCfgAvailableDevice, -1); // no single playback device left
    }
    return rec;
}

bool ConfigStore::Serve(const std::string& request, DWORD data, const StateRecord& states,
                        LONG reconfigurable) {
    if (request == ConfigRequestName(CFG_GETSTATES)) {
        sys::AccessVdm16(data, kStateRecordSize, [&](BYTE* p) {
            for (int i = 0; i < kStateCount; ++i)
                Put32(p + 4 * i, static_cast<DWORD>(states[i]));
        });
    } else if (request == ConfigRequestName(CFG_RECONFIGURABLE)) {
        sys::AccessVdm16(data, 4, [&](BYTE* p) { Put32(p, static_cast<DWORD>(reconfigurable)); });
    } else if (request == ConfigRequestName(CFG_GETCONFIG)) {
        sys::AccessVdm16(data, kConfigRecordSize,
                         [&](BYTE* p) { std::memcpy(p, m_record.data(), m_record.size()); });
    } else if (request == ConfigRequestName(CFG_SETCONFIG) ||
               request == ConfigRequestName(CFG_SETCONFIG_ONTHEFLY)) {
        ConfigRecord rec{};
        if (!sys::AccessVdm16(data, kConfigRecordSize,
                              [&](BYTE* p) { std::memcpy(rec.data(), p, rec.size()); }))
            return false;
        // -1 at the start of the first slice is the program letting go of a removed card; the mark itself
        // is not kept, so the next run starts with a clean record.
        if (static_cast<LONG>(Le32(rec.data() + kCfgReleased)) == -1) {
            m_released = true;
            Put32(rec.data() + kCfgReleased, 0);
        }
        m_record = rec;
        return true;
    }
    return false;
}

std::string ConfigStore::ToHex() const {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (BYTE b : m_record) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

bool ConfigStore::FromHex(const std::string& text) {
    if (text.size() != m_record.size() * 2) return false;
    ConfigRecord rec{};
    for (std::size_t i = 0; i < rec.size(); ++i) {
        unsigned v = 0;
        if (!std::isxdigit(static_cast<unsigned char>(text[2 * i])) ||
            !std::isxdigit(static_cast<unsigned char>(text[2 * i + 1])) ||
            std::sscanf(text.c_str() + 2 * i, "%2x", &v) != 1)
            return false;
        rec[i] = static_cast<BYTE>(v);
    }
    m_record = rec;
    return true;
}

} // namespace cardcore
