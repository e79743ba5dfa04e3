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
// "Fehler" message owned by owner when the driver refuses. True when the settings were written.
bool WriteConfig(HWND owner, BYTE* configRecord);

} // namespace krvl
