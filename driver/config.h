// Configuration requests: the driver's configuration entry, run in the rundll host, reads and writes a
// record in a shared block and signals completion through a second one.
#pragma once

#include "system/krvl_protocol.h"
#include "system/win32.h"

#include <cstdint>

namespace krvl {

// The process-wide driver link flag: 1 from the start of start-up on; requests are made only while it
// is non-zero.
std::int32_t& DriverLink();

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

} // namespace krvl
