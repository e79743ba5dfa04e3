#include "driver/config.h"

#include "driver/ctrl.h"
#include "driver/msg.h"
#include "system/sys.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

namespace krvl {

std::int32_t& DriverLink() {
    static std::int32_t flag = 0;
    return flag;
}

namespace {
std::atomic<DWORD> g_timeoutMs{10000};

std::string Hex8(DWORD v) {
    char buf[9];
    std::snprintf(buf, sizeof buf, "%08X", v);
    return buf;
}

// The host writes the completion word from its own thread, under the block lock: read it under the
// same lock.
bool Completed(const SharedBlock& done) {
    std::int32_t word = 0;
    sys::AccessVdm16(done.Address(), sizeof word, [&](BYTE* p) { std::memcpy(&word, p, sizeof word); });
    return word != 0;
}
} // namespace

void SetConfigRequestTimeout(DWORD ms) {
    g_timeoutMs = ms;
}

bool ConfigRequest(std::int32_t driverLink, DWORD code, void* record, DWORD size) {
    if (!driverLink) return false;
    SharedBlock done(4);
    if (!done) return false;
    // Declared after the completion block, so it is freed first.
    SharedBlock data(size);
    if (!data) return false;
    std::memcpy(data.Flat(), record, size);

    bool started = false;
    if (const char* name = ConfigRequestName(code)) {
        std::string params = std::string(kConfigEntry) + " " + name + " $" + Hex8(data.Address()) + " #" +
                             Hex8(done.Address());
        auto host = ShellExecuteA(nullptr, nullptr, "rundll.exe", params.c_str(), "", SW_SHOWDEFAULT);
        started = reinterpret_cast<std::uintptr_t>(host) > 32;
    }
    if (started) {
        // Measured in real time: a virtual clock must not turn a host that answers into a time-out.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(g_timeoutMs.load());
        for (;;) {
            // Counted before the look, so a write right after it ends the wait at once.
            std::uint64_t before = sys::Vdm16Accesses();
            if (Completed(done)) break;
            if (std::chrono::steady_clock::now() >= deadline) {
                started = false; // the blocks go with their owners; the host can no longer reach freed ones
                break;
            }
            // The word is still looked at every millisecond; the host's write wakes the look early. The
            // look itself was one access: the wait is for the next.
            sys::WaitVdm16Access(before + 1, 1);
        }
    }
    std::memcpy(record, data.Flat(), size);
    return started;
}

bool WriteConfig(HWND owner, BYTE* configRecord, int card, const BYTE* slice) {
    std::int32_t reconfigurable = 0;
    bool ok = ConfigRequest(DriverLink(), CFG_RECONFIGURABLE, &reconfigurable, sizeof reconfigurable) &&
              reconfigurable != 0;
    if (ok && slice && card >= 0 && card < static_cast<int>(kConfigRecordSize / kConfigSliceSize))
        std::memcpy(configRecord + static_cast<std::size_t>(card) * kConfigSliceSize, slice,
                    kConfigSliceSize);
    ok = ok && ConfigRequest(DriverLink(), CFG_SETCONFIG, configRecord, kConfigRecordSize);
    if (!ok) MessageBoxA(owner, kSettingsLockedText, "Fehler", MB_ICONERROR);
    return ok;
}

} // namespace krvl
