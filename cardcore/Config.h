// The driver's configuration entry: the command line the rundll host hands over, the five requests on
// the state record and the 800-byte configuration record, and the completion word.
#pragma once

#include "system/krvl_protocol.h"

#include <array>
#include <optional>
#include <string>

namespace cardcore {

using ConfigRecord = std::array<BYTE, krvl::kConfigRecordSize>;
using StateRecord = std::array<LONG, krvl::kStateCount>;

// "KRVL.DRV,DriverConfig <request> $XXXXXXXX #XXXXXXXX".
struct ConfigCommand {
    bool wellFormed{};
    std::string request;
    DWORD data{};
    // Found even on a line that is otherwise malformed, so the waiting program is never left hanging
    // by a typing error.
    std::optional<DWORD> completion;

    static ConfigCommand Parse(const std::string& commandLine);
    // Sets the completion word; false when its address is bad or missing.
    bool Complete() const;
};

// The settings of up to four cards as the configuration record carries them, with the driver's defaults
// for cardCount cards: the first card is the master, conflict messages shown, 44.1 kHz, no playback
// device singled out.
ConfigRecord DefaultConfigRecord(int cardCount);

class ConfigStore {
public:
    explicit ConfigStore(int cardCount) : m_record(DefaultConfigRecord(cardCount)) {}

    // Answers one request on the record at data. states and reconfigurable are the driver's answers to
    // "getstates" and "reconfigurable". True when the stored record changed (and wants saving).
    bool Serve(const std::string& request, DWORD data, const StateRecord& states, LONG reconfigurable);

    const ConfigRecord& Record() const { return m_record; }
    void SetRecord(const ConfigRecord& record) { m_record = record; }
    // A "setconfig" marked the driver as released (slice 0 began with -1).
    bool Released() const { return m_released; }

    // The record as upper-case hexadecimal text for a state file, and back (false for a bad text).
    std::string ToHex() const;
    bool FromHex(const std::string& text);

private:
    ConfigRecord m_record{};
    bool m_released{};
};

} // namespace cardcore
