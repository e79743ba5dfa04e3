// Configuration requests: the driver's configuration entry, run in the rundll host, reads and writes a
// record in a shared block and signals completion through a second one.
#pragma once

#include "system/win32.h"

#include <cstdint>

namespace krvl {

constexpr DWORD CFG_GETSTATES = 0x4001;
constexpr DWORD CFG_RECONFIGURABLE = 0x4002;
constexpr DWORD CFG_GETCONFIG = 0x4003;
constexpr DWORD CFG_SETCONFIG = 0x4004;
constexpr DWORD CFG_SETCONFIG_ONTHEFLY = 0x4005;

constexpr DWORD kStateRecordSize = 20;
constexpr DWORD kConfigRecordSize = 800;
constexpr DWORD kConfigSliceSize = 200;

// The process-wide driver link flag: 1 from the start of start-up on; requests are made only while it
// is non-zero.
std::int32_t& DriverLink();

// The request's name, or null for a code that is none.
const char* ConfigRequestName(DWORD code);

// Makes one request; true when the rundll host was started and answered. record is sent and gets the
// data block back (unchanged when nothing ran). A host that does not answer within the time-out makes
// the request fail.
bool ConfigRequest(std::int32_t driverLink, DWORD code, void* record, DWORD size);

// Real time a request waits for the completion word; 10 s unless a test shortens it.
void SetConfigRequestTimeout(DWORD ms);

// Writes the configuration: "reconfigurable", then "setconfig" with the whole record; shows the
// "Fehler" message owned by owner when the driver refuses. A given card slice goes into the record (at
// card × 200) only once the driver has agreed, so a refused write leaves the record as it was. True
// when the settings were written.
bool WriteConfig(HWND owner, BYTE* configRecord, int card = -1, const BYTE* slice = nullptr);

// Fields of a card's slice: 32-bit little-endian integers at these byte offsets; flags are read as
// zero / non-zero and written as 0 or -1. The four pair fields repeat every kCfgPairStride bytes for
// channel pair p.
constexpr DWORD kCfgMaster = 8;        // card is ZadeRar master (flag)
constexpr DWORD kCfgZadeRarClock = 12; // 0 internal, 1 digital input clock
constexpr DWORD kCfgMsgRate = 28;      // sample-rate conflict messages shown (flag)
constexpr DWORD kCfgMsgDevice = 32;    // device conflict messages shown (flag)
constexpr DWORD kCfgPlayStartStop = 48;
constexpr DWORD kCfgRecStartStop = 52;
constexpr DWORD kCfgRecClock = 56;  // 0 internal, 1 digital input, 2 ZadeRar
constexpr DWORD kCfgPlayClock = 60; // the same values
constexpr DWORD kCfgPairStride = 32;
constexpr DWORD kCfgSyncToWordClock = 132; // flag
constexpr DWORD kCfgDefaultRate = 136;     // Hz
constexpr DWORD kCfgWriteIsPlayCursor = 156;
constexpr DWORD kCfgLatency = 160;         // ms, 0 automatic
constexpr DWORD kCfgRestrictedRate = 164;  // Hz, 0 none
constexpr DWORD kCfgRestrictedRes = 168;   // 0 none, 1 8 bit, 2 16 bit
constexpr DWORD kCfgRestrictDevices = 172; // flag
constexpr DWORD kCfgAvailableDevice = 176; // -1 none, else the pair left available

} // namespace krvl
