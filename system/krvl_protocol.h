// The Korvalin driver's protocol, in one place for both of its sides: how the card's wave devices show
// themselves, the control open, the private driver messages and the records they carry in shared
// 16-bit blocks, and the configuration requests with their records. The manager's driver access and
// every driver that takes the card's place (the emulated card, a sound-server driver) include this.
#pragma once

#include "system/win32.h"

#include <bit>
#include <cstddef>
#include <cstdint>

// Records travel as the 16-bit driver lays them out: packed, little-endian.
static_assert(std::endian::native == std::endian::little);

namespace krvl {
inline namespace proto {

// ---- devices ---------------------------------------------------------------------------------------
constexpr WORD kManufacturerId = 190;
constexpr WORD kPidAnalogIn = 37;
constexpr WORD kPidAnalogOut = 38;
constexpr WORD kPidDigitalIn = 39;
constexpr WORD kPidDigitalOut = 40;

constexpr int kMaxCards = 4;
// Channel pairs of a card, by index: 0 Analog 1-2, 1 Analog 3-4, 2 Digital.
constexpr int kPairsPerCard = 3;
constexpr int kDigitalPair = 2;
// Analog device names end in channel numbers counted across cards ("5-6" is the second card's first
// pair); digital device names end in the card number as a Roman numeral.
constexpr int kAnalogChannelsPerCard = 4;
constexpr const char* kCardNumerals[kMaxCards] = {"I", "II", "III", "IV"};

// ---- control open ----------------------------------------------------------------------------------
#pragma pack(push, 1)
// Plain PCM marked by four extra bytes: a handle opened so carries driver messages only, and any
// number of them may be open on one device.
struct CtrlOpenFormat {
    WAVEFORMATEX wfx{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 4};
    char extra[4]{'C', 'T', 'R', 'L'};
};
#pragma pack(pop)
static_assert(sizeof(CtrlOpenFormat) == 22);

// ---- driver messages -------------------------------------------------------------------------------
// dwParam2 is 0 in every message. "Block" answers are written to the 16:16 address in dwParam1
// before the message returns.
constexpr UINT DRVM_OUT_GET_MUTE = DRV_USER + 1;            // 4-byte block: packed stereo, non-zero = muted
constexpr UINT DRVM_OUT_SET_MUTE = DRV_USER + 2;            // packed stereo: 0xFFFF muted / 0
constexpr UINT DRVM_OUT_ENABLE_LEVELING = DRV_USER + 7;     // 0
constexpr UINT DRVM_OUT_DISABLE_LEVELING = DRV_USER + 8;    // 0
constexpr UINT DRVM_OUT_GET_LEVELS = DRV_USER + 9;          // level record
constexpr UINT DRVM_OUT_GET_SOURCE = DRV_USER + 10;         // 4-byte block: byte 0 = playback source code
constexpr UINT DRVM_OUT_SET_SOURCE = DRV_USER + 11;         // playback source code
constexpr UINT DRVM_OUT_GET_DIGITAL_STATUS = DRV_USER + 13; // 4-byte block: digital status bits
constexpr UINT DRVM_OUT_SET_DIGITAL_FORMAT = DRV_USER + 14; // 0 S/PDIF, 1 AES/EBU
constexpr UINT DRVM_OUT_REGISTER_NOTIFY = DRV_USER + 15;    // 16:16 address of a notification record
constexpr UINT DRVM_OUT_UNREGISTER_NOTIFY = DRV_USER + 16;  // the same address
constexpr UINT DRVM_OUT_GET_DEVNODE = DRV_USER + 17;        // 4-byte block: the card's device node
constexpr UINT DRVM_IN_GET_GAIN = DRV_USER + 50;            // 4-byte block: packed stereo
constexpr UINT DRVM_IN_SET_GAIN = DRV_USER + 51;            // packed stereo
constexpr UINT DRVM_IN_GET_ROUTING = DRV_USER + 52;         // 4-byte block: routing record
constexpr UINT DRVM_IN_SET_ROUTING = DRV_USER + 53;         // the routing record as one value
constexpr UINT DRVM_IN_ENABLE_LEVELING = DRV_USER + 56;     // 0
constexpr UINT DRVM_IN_DISABLE_LEVELING = DRV_USER + 57;    // 0
constexpr UINT DRVM_IN_GET_LEVELS = DRV_USER + 58;          // level record
constexpr UINT DRVM_IN_GET_MUTE = DRV_USER + 66;            // 4-byte block: packed stereo, non-zero = muted
constexpr UINT DRVM_IN_SET_MUTE = DRV_USER + 67;            // packed stereo: 0xFFFF muted / 0

// Mutes, gains and volumes: left in the low word, right in the high word.
constexpr DWORD PackStereo(WORD left, WORD right) {
    return left | static_cast<DWORD>(right) << 16;
}

// Digital output formats, as DRVM_OUT_SET_DIGITAL_FORMAT takes them and bit 0 of the digital status
// shows them; bit 1 of the status: the card has XLR and coaxial inputs and word clock.
constexpr DWORD kFormatSpdif = 0;
constexpr DWORD kFormatAesEbu = 1;
constexpr DWORD kDigitalFormatBit = 1;
constexpr DWORD kDigitalExtended = 2;

// Playback source codes: each output plays a pair's playback or its input (recording) signal.
constexpr DWORD PlaySourceCode(int pair) {
    return static_cast<DWORD>(2 * pair);
}
constexpr DWORD RecSourceCode(int pair) {
    return static_cast<DWORD>(2 * pair + 1);
}
constexpr DWORD kSourceCodeCount = 2 * kPairsPerCard;

// ---- records in shared blocks ----------------------------------------------------------------------
// Level record: the peaks since the last reading.
struct LevelRecord {
    DWORD left;
    DWORD right;
};
constexpr DWORD kLevelRecordSize = 8;
static_assert(sizeof(LevelRecord) == kLevelRecordSize);

// Notification record: while registered the driver posts message with lParam to window whenever a
// change of the event class happens on the output. It must stay where it is until withdrawn.
constexpr WORD kNotifyVolume = 0x0100;
constexpr WORD kNotifyMute = 0x0200;
constexpr WORD kNotifySource = 0x0400;
constexpr DWORD kNotifyRecordSize = 14;
#pragma pack(push, 1)
struct NotifyRecord {
    WORD eventClass;
    WORD window; // 16-bit window handle
    WORD message;
    DWORD lParam;     // card index << 16 | pair
    BYTE reserved[4]; // the driver's own; records sit 14 bytes apart
};
#pragma pack(pop)
static_assert(sizeof(NotifyRecord) == kNotifyRecordSize);
static_assert(offsetof(NotifyRecord, window) == 2 && offsetof(NotifyRecord, message) == 4 &&
              offsetof(NotifyRecord, lParam) == 6);

// Routing record of an input pair: source, the pair its monitoring uses, the monitor mode, a spare
// byte sent back as it was read.
constexpr BYTE kSourceOptical = 1; // digital pair
constexpr BYTE kSourceXlr = 2;     // digital pair, extended cards
constexpr BYTE kSourceDigitalCd = 3;
constexpr BYTE kSourceCoaxial = 4; // digital pair, extended cards
constexpr BYTE kSourceCd = 5;      // analog pairs
constexpr BYTE kSourceLine = 6;
constexpr BYTE kNoMonitorPair = 0;
constexpr BYTE MonitorPairCode(int pair) {
    return static_cast<BYTE>(pair + 1);
}
constexpr BYTE kMonitorOff = 0;
constexpr BYTE kMonitorOnRecord = 1;
constexpr BYTE kMonitorOnPunchIn = 2;

struct Routing {
    BYTE source{};
    BYTE monitorPair{};
    BYTE monitorMode{};
    BYTE spare{};
    constexpr DWORD Packed() const {
        return source | monitorPair << 8 | monitorMode << 16 | static_cast<DWORD>(spare) << 24;
    }
    static constexpr Routing Unpack(DWORD v) {
        return {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16),
                static_cast<BYTE>(v >> 24)};
    }
};

// ---- configuration requests --------------------------------------------------------------------------
// The rundll host is given: kConfigEntry, a blank, the request name, " $" and the data block's 16:16
// address, " #" and the completion word's, each address as eight upper-case hexadecimal digits. The
// entry answers in the data block, then sets the completion word non-zero.
constexpr const char* kConfigEntry = "KRVL.DRV,DriverConfig";

constexpr DWORD CFG_GETSTATES = 0x4001;
constexpr DWORD CFG_RECONFIGURABLE = 0x4002; // one 32-bit value, sent as 0: non-zero = may be changed now
constexpr DWORD CFG_GETCONFIG = 0x4003;
constexpr DWORD CFG_SETCONFIG = 0x4004;
constexpr DWORD CFG_SETCONFIG_ONTHEFLY = 0x4005;

// The request's name, or null for a code that is none.
constexpr const char* ConfigRequestName(DWORD code) {
    switch (code) {
    case CFG_GETSTATES:
        return "getstates";
    case CFG_RECONFIGURABLE:
        return "reconfigurable";
    case CFG_GETCONFIG:
        return "getconfig";
    case CFG_SETCONFIG:
        return "setconfig";
    case CFG_SETCONFIG_ONTHEFLY:
        return "setconfig_onthefly";
    default:
        return nullptr;
    }
}

// State record: the overall state, then one per card; 1 = initialised, negative = error id, 0 ends
// the card list.
constexpr int kStateCount = 1 + kMaxCards;
constexpr DWORD kStateRecordSize = 4 * kStateCount;

// Configuration record: one slice per card index. Fields are 32-bit at these offsets in a slice;
// flags read as zero / non-zero and written as 0 or -1.
constexpr DWORD kConfigSliceSize = 200;
constexpr DWORD kConfigRecordSize = kConfigSliceSize * kMaxCards;
constexpr DWORD kCfgReleased = 0;                // slice 0 only: -1 when the program lets a removed card go
constexpr DWORD kCfgMaster = 8;                  // flag
constexpr DWORD kCfgMasterClock = 12;            // 0 internal, 1 digital input
constexpr DWORD kCfgRateConflictMessages = 28;   // flag
constexpr DWORD kCfgDeviceConflictMessages = 32; // flag
constexpr DWORD CfgPlayStartStop(int pair) {     // 0 autonomous, -1 synchronised
    return 48 + 32 * static_cast<DWORD>(pair);
}
constexpr DWORD CfgRecStartStop(int pair) {
    return 52 + 32 * static_cast<DWORD>(pair);
}
constexpr DWORD CfgRecClock(int pair) { // 0 internal, 1 digital input, 2 synchronised
    return 56 + 32 * static_cast<DWORD>(pair);
}
constexpr DWORD CfgPlayClock(int pair) {
    return 60 + 32 * static_cast<DWORD>(pair);
}
constexpr DWORD kCfgWordClockSync = 132;      // flag
constexpr DWORD kCfgDefaultRate = 136;        // Hz
constexpr DWORD kCfgWriteEqualsPlay = 156;    // flag
constexpr DWORD kCfgDirectSoundLatency = 160; // ms, 0 automatic
constexpr DWORD kCfgRestrictRate = 164;       // 0 none, 22050, 44100, 48000
constexpr DWORD kCfgRestrictResolution = 168; // 0 none, 1 8 bit, 2 16 bit
constexpr DWORD kCfgRestrictDevices = 172;    // flag
constexpr DWORD kCfgAvailableDevice = 176;    // -1 none, else the pair left available
static_assert(CfgPlayClock(kPairsPerCard - 1) < kCfgWordClockSync);

} // namespace proto
} // namespace krvl
