// The wave API: device ids across the installed drivers, and handles mapped to a driver's own.
#include "system/internal.h"
#include "system/sys.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

namespace {

using sys::WaveDir;
using sys::WaveDriver;

struct OpenHandle {
    std::shared_ptr<WaveDriver> driver;
    WaveDir dir{};
    std::uintptr_t driverHandle{};
};

struct State {
    std::mutex mutex;
    std::vector<std::shared_ptr<WaveDriver>> drivers;
    std::map<std::uintptr_t, OpenHandle> handles;
    std::uintptr_t nextHandle{0x1000};
};

State& S() {
    static State state;
    return state;
}

std::vector<std::shared_ptr<WaveDriver>> Drivers() {
    std::lock_guard lock(S().mutex);
    return S().drivers;
}

// The driver and its local id for a system-wide device id.
std::shared_ptr<WaveDriver> Locate(WaveDir dir, UINT_PTR id, UINT& local) {
    for (auto& d : Drivers()) {
        UINT n = d->DeviceCount(dir);
        if (id < n) {
            local = static_cast<UINT>(id);
            return d;
        }
        id -= n;
    }
    return nullptr;
}

UINT Count(WaveDir dir) {
    UINT n = 0;
    for (auto& d : Drivers())
        n += d->DeviceCount(dir);
    return n;
}

template <class Caps> MMRESULT GetCaps(WaveDir dir, UINT_PTR id, Caps* out, UINT size) {
    if (!out) return MMSYSERR_INVALPARAM;
    UINT local = 0;
    auto d = Locate(dir, id, local);
    if (!d) return MMSYSERR_BADDEVICEID;
    sys::WaveCaps caps;
    if (!d->Caps(dir, local, caps)) return MMSYSERR_NODRIVER;
    Caps full{};
    full.wMid = caps.mid;
    full.wPid = caps.pid;
    full.vDriverVersion = caps.driverVersion;
    std::size_t n = std::min<std::size_t>(caps.name.size(), MAXPNAMELEN - 1);
    std::memcpy(full.szPname, caps.name.data(), n);
    full.dwFormats = caps.formats;
    full.wChannels = caps.channels;
    if constexpr (std::is_same_v<Caps, WAVEOUTCAPSA>) full.dwSupport = caps.support;
    std::memcpy(out, &full, std::min<std::size_t>(size, sizeof(Caps)));
    return MMSYSERR_NOERROR;
}

template <class H>
MMRESULT Open(WaveDir dir, H* out, UINT id, const WAVEFORMATEX* fmt, DWORD_PTR cb, DWORD_PTR inst,
              DWORD flags) {
    if (!out) return MMSYSERR_INVALPARAM;
    *out = nullptr;
    if (!fmt) return MMSYSERR_INVALPARAM;
    if ((flags & CALLBACK_TYPEMASK) == CALLBACK_WINDOW && cb && !IsWindow(reinterpret_cast<HWND>(cb)))
        return MMSYSERR_INVALPARAM;
    UINT local = 0;
    auto d = Locate(dir, id, local);
    if (!d) return MMSYSERR_BADDEVICEID;
    std::uintptr_t dh = 0;
    MMRESULT r = d->Open(dir, local, fmt, cb, inst, flags, dh);
    if (r != MMSYSERR_NOERROR) return r;
    std::lock_guard lock(S().mutex);
    std::uintptr_t h = S().nextHandle++;
    S().handles[h] = OpenHandle{d, dir, dh};
    *out = reinterpret_cast<H>(h);
    return MMSYSERR_NOERROR;
}

bool Find(WaveDir dir, std::uintptr_t h, OpenHandle& out) {
    std::lock_guard lock(S().mutex);
    auto it = S().handles.find(h);
    if (it == S().handles.end() || it->second.dir != dir) return false;
    out = it->second;
    return true;
}

MMRESULT Close(WaveDir dir, std::uintptr_t h) {
    OpenHandle oh;
    if (!Find(dir, h, oh)) return MMSYSERR_INVALHANDLE;
    MMRESULT r = oh.driver->Close(dir, oh.driverHandle);
    if (r == MMSYSERR_NOERROR) {
        std::lock_guard lock(S().mutex);
        S().handles.erase(h);
    }
    return r;
}

DWORD Message(WaveDir dir, std::uintptr_t h, UINT msg, DWORD_PTR p1, DWORD_PTR p2) {
    OpenHandle oh;
    if (!Find(dir, h, oh)) return MMSYSERR_INVALHANDLE;
    sys::detail::g_driverMessages.fetch_add(1, std::memory_order_relaxed);
    return oh.driver->Message(dir, oh.driverHandle, msg, p1, p2);
}

std::uintptr_t Raw(const void* h) {
    return reinterpret_cast<std::uintptr_t>(h);
}

} // namespace

namespace sys {

void RegisterWaveDriver(std::shared_ptr<WaveDriver> driver) {
    std::lock_guard lock(S().mutex);
    S().drivers.push_back(std::move(driver));
}

void UnregisterWaveDriver(const std::shared_ptr<WaveDriver>& driver) {
    std::lock_guard lock(S().mutex);
    std::erase(S().drivers, driver);
    std::erase_if(S().handles, [&](const auto& kv) { return kv.second.driver == driver; });
}

std::size_t OpenWaveHandles() {
    std::lock_guard lock(S().mutex);
    return S().handles.size();
}

namespace detail {
void ResetWave() {
    std::lock_guard lock(S().mutex);
    S().drivers.clear();
    S().handles.clear();
    S().nextHandle = 0x1000;
}
} // namespace detail

} // namespace sys

UINT waveInGetNumDevs() {
    return Count(WaveDir::In);
}
UINT waveOutGetNumDevs() {
    return Count(WaveDir::Out);
}

MMRESULT waveInGetDevCapsA(UINT_PTR uDeviceID, WAVEINCAPSA* pwic, UINT cbwic) {
    return GetCaps(WaveDir::In, uDeviceID, pwic, cbwic);
}

MMRESULT waveOutGetDevCapsA(UINT_PTR uDeviceID, WAVEOUTCAPSA* pwoc, UINT cbwoc) {
    return GetCaps(WaveDir::Out, uDeviceID, pwoc, cbwoc);
}

MMRESULT waveInOpen(HWAVEIN* phwi, UINT uDeviceID, const WAVEFORMATEX* pwfx, DWORD_PTR dwCallback,
                    DWORD_PTR dwInstance, DWORD fdwOpen) {
    return Open(WaveDir::In, phwi, uDeviceID, pwfx, dwCallback, dwInstance, fdwOpen);
}

MMRESULT waveOutOpen(HWAVEOUT* phwo, UINT uDeviceID, const WAVEFORMATEX* pwfx, DWORD_PTR dwCallback,
                     DWORD_PTR dwInstance, DWORD fdwOpen) {
    return Open(WaveDir::Out, phwo, uDeviceID, pwfx, dwCallback, dwInstance, fdwOpen);
}

MMRESULT waveInClose(HWAVEIN hwi) {
    return Close(WaveDir::In, Raw(hwi));
}
MMRESULT waveOutClose(HWAVEOUT hwo) {
    return Close(WaveDir::Out, Raw(hwo));
}

DWORD waveInMessage(HWAVEIN hwi, UINT uMsg, DWORD_PTR dw1, DWORD_PTR dw2) {
    return Message(WaveDir::In, Raw(hwi), uMsg, dw1, dw2);
}

DWORD waveOutMessage(HWAVEOUT hwo, UINT uMsg, DWORD_PTR dw1, DWORD_PTR dw2) {
    return Message(WaveDir::Out, Raw(hwo), uMsg, dw1, dw2);
}
