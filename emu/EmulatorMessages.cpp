// The wave driver side: devices, control and plain opens, and the driver message table.
#include "emu/Emulator.h"

#include <cstdio>
#include <cstring>

namespace emu {
namespace {

const char* DirName(sys::WaveDir dir) {
    return dir == sys::WaveDir::In ? "in" : "out";
}

std::string Hex(std::uintmax_t v, int width = 0) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*jX", width, v);
    return buf;
}

bool IsControlOpen(const WAVEFORMATEX* fmt) {
    static constexpr CtrlOpenFormat kControl{};
    if (fmt->cbSize < sizeof kControl.extra) return false;
    const char* extra = reinterpret_cast<const char*>(fmt) + sizeof(WAVEFORMATEX);
    return std::memcmp(extra, kControl.extra, sizeof kControl.extra) == 0;
}

bool PlayableFormat(const WAVEFORMATEX* fmt) {
    return fmt->wFormatTag == WAVE_FORMAT_PCM && (fmt->nChannels == 1 || fmt->nChannels == 2) &&
           (fmt->wBitsPerSample == 8 || fmt->wBitsPerSample == 16) && fmt->nSamplesPerSec >= 8000 &&
           fmt->nSamplesPerSec <= 96000 && fmt->nBlockAlign == fmt->nChannels * fmt->wBitsPerSample / 8;
}

// A 16:16 address travels in the low 32 bits; anything above them cannot be one.
bool Address(DWORD_PTR p1, DWORD& vp) {
    if (p1 > 0xFFFFFFFFu) return false;
    vp = static_cast<DWORD>(p1);
    return true;
}

bool Write32(DWORD_PTR p1, std::initializer_list<DWORD> values) {
    DWORD vp = 0;
    if (!Address(p1, vp)) return false;
    return sys::AccessVdm16(vp, static_cast<DWORD>(values.size() * 4), [&](BYTE* p) {
        for (DWORD v : values) {
            for (int i = 0; i < 4; ++i)
                *p++ = static_cast<BYTE>(v >> (8 * i));
        }
    });
}

enum class Kind { Any, Analog, Digital, FirstAnalog };

bool Fits(Kind kind, int pair) {
    switch (kind) {
    case Kind::Any:
        return true;
    case Kind::Analog:
        return pair == 0 || pair == 1;
    case Kind::Digital:
        return pair == kDigitalPair;
    case Kind::FirstAnalog:
        return pair == 0;
    }
    return false;
}

} // namespace

UINT Emulator::DeviceCount(sys::WaveDir dir) {
    return static_cast<UINT>(Devices(dir).size());
}

bool Emulator::Caps(sys::WaveDir dir, UINT localId, sys::WaveCaps& caps) {
    const auto& list = Devices(dir);
    if (localId >= list.size()) return false;
    const DeviceSpec& d = list[localId];
    caps.mid = d.mid;
    caps.pid = d.pid;
    caps.driverVersion = 0x0100;
    caps.name = d.name;
    caps.formats = 0x0FFF; // 11.025 to 44.1 kHz, mono and stereo, 8 and 16 bit
    caps.channels = 2;
    caps.support = dir == sys::WaveDir::Out ? 0x000C : 0; // volume, separate left and right
    return true;
}

bool Emulator::BusyLocked() const {
    for (auto& c : m_cards)
        if (c.st.busy) return true;
    for (auto& [id, h] : m_handles)
        if (!h.control) return true;
    return false;
}

MMRESULT Emulator::Open(sys::WaveDir dir, UINT localId, const WAVEFORMATEX* fmt, DWORD_PTR, DWORD_PTR,
                        DWORD flags, std::uintptr_t& handle) {
    std::lock_guard lock(m_mutex);
    handle = 0;
    bool control = fmt && IsControlOpen(fmt);
    const auto& list = Devices(dir);
    MMRESULT r = MMSYSERR_NOERROR;
    DWORD callbackType = flags & CALLBACK_TYPEMASK;
    if (localId >= list.size()) {
        r = MMSYSERR_BADDEVICEID;
    } else if (!fmt) {
        r = MMSYSERR_INVALPARAM;
    } else if (callbackType != CALLBACK_NULL && callbackType != CALLBACK_WINDOW &&
               callbackType != CALLBACK_FUNCTION) {
        r = MMSYSERR_INVALFLAG;
    } else {
        const DeviceSpec& d = list[localId];
        if (d.card < 0 || d.card >= CardCount() || m_cards[d.card].st.removed) {
            r = MMSYSERR_NODRIVER;
        } else {
            for (auto& f : m_scenario.faults.failOpen)
                if (f.card == d.card && f.pair == d.pair && f.dir == dir) r = MMSYSERR_ERROR;
            if (r == MMSYSERR_NOERROR && !control) {
                if (!PlayableFormat(fmt))
                    r = WAVERR_BADFORMAT;
                else if (m_cards[d.card].st.busy)
                    r = MMSYSERR_ALLOCATED;
            }
        }
        if (r == MMSYSERR_NOERROR) {
            handle = m_nextHandle++;
            OpenHandle h;
            h.dir = dir;
            h.device = localId;
            h.card = d.card;
            h.pair = d.pair;
            h.control = control;
            m_handles[handle] = h;
        }
    }
    EmitLocked(std::string("open ") + DirName(dir) + " dev=" + std::to_string(localId) +
               " handle=" + Hex(handle) + " ctrl=" + (control ? "1" : "0") + " result=" + std::to_string(r));
    return r;
}

MMRESULT Emulator::Close(sys::WaveDir dir, std::uintptr_t handle) {
    std::lock_guard lock(m_mutex);
    auto it = m_handles.find(handle);
    MMRESULT r = MMSYSERR_NOERROR;
    if (it == m_handles.end() || it->second.dir != dir) {
        r = MMSYSERR_INVALHANDLE;
    } else {
        m_handles.erase(it);
        m_notices.DropHandle(handle);
    }
    EmitLocked(std::string("close ") + DirName(dir) + " handle=" + Hex(handle) +
               " result=" + std::to_string(r));
    return r;
}

bool Emulator::Refused(const OpenHandle& h, UINT msg) const {
    for (auto& f : m_scenario.faults.refuse)
        if (f.msg == msg && (f.card < 0 || f.card == h.card) && (f.pair < 0 || f.pair == h.pair) &&
            (!f.dir || *f.dir == h.dir))
            return true;
    return false;
}

DWORD Emulator::Message(sys::WaveDir dir, std::uintptr_t handle, UINT msg, DWORD_PTR p1, DWORD_PTR) {
    std::vector<DWORD> records;
    WORD cls = 0;
    DWORD r = MMSYSERR_NOERROR;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_handles.find(handle);
        UINT device = 0;
        if (it == m_handles.end() || it->second.dir != dir) {
            r = MMSYSERR_INVALHANDLE;
        } else {
            OpenHandle& h = it->second;
            device = h.device;
            if (m_cards[h.card].st.removed)
                r = MMSYSERR_NODRIVER;
            else if (Refused(h, msg))
                r = MMSYSERR_ERROR;
            else
                r = MessageLocked(h, handle, msg, p1, cls);
            if (r == MMSYSERR_NOERROR && cls && m_scenario.notifyControlChanges)
                records = NoticesLocked(h.card, h.pair, cls, handle);
        }
        EmitLocked(std::string("msg ") + DirName(dir) + " handle=" + Hex(handle) +
                   " dev=" + std::to_string(device) + " msg=0x" + Hex(msg, 4) + " p1=0x" +
                   Hex(p1 & 0xFFFFFFFFu, 8) + " result=" + std::to_string(r));
    }
    cardcore::NoticeBoard::Post(records, cls);
    return r;
}

DWORD Emulator::MessageLocked(OpenHandle& h, std::uintptr_t id, UINT msg, DWORD_PTR p1, WORD& cls) {
    const bool in = h.dir == sys::WaveDir::In;
    CardState& st = m_cards[h.card].st;
    const int pair = h.pair;
    auto on = [&](bool wantIn, Kind kind) { return wantIn == in && Fits(kind, pair); };
    auto set = [&](Setting s, DWORD_PTR value) -> DWORD {
        if (value > 0xFFFFFFFFu) return MMSYSERR_INVALPARAM;
        return ApplyLocked(s, h.card, s == Setting::Format ? kDigitalPair : pair, static_cast<DWORD>(value),
                           cls);
    };
    auto answer = [&](std::initializer_list<DWORD> values) -> DWORD {
        return Write32(p1, values) ? MMSYSERR_NOERROR : MMSYSERR_INVALPARAM;
    };
    auto leveling = [&](bool enable) {
        FoldLevelsLocked(h.card);
        h.leveling = enable;
        h.levelSince = sys::CurrentClock().NowMs();
        h.pending.Reset();
        return MMSYSERR_NOERROR;
    };
    auto levels = [&]() -> DWORD {
        std::uint64_t now = sys::CurrentClock().NowMs();
        auto lv = LevelsLocked(h, now);
        if (!Write32(p1, {lv[0], lv[1]})) return MMSYSERR_INVALPARAM;
        h.levelSince = now;
        h.pending.Reset();
        return MMSYSERR_NOERROR;
    };

    switch (msg) {
    case DRVM_OUT_GET_MUTE:
        if (!on(false, Kind::Analog)) break;
        return answer({st.outputMute[pair]});
    case DRVM_OUT_SET_MUTE:
        if (!on(false, Kind::Analog)) break;
        return set(Setting::OutputMute, p1);
    case DRVM_OUT_ENABLE_LEVELING:
    case DRVM_OUT_DISABLE_LEVELING:
        if (!on(false, Kind::Any)) break;
        return leveling(msg == DRVM_OUT_ENABLE_LEVELING);
    case DRVM_OUT_GET_LEVELS:
    case DRVM_IN_GET_LEVELS:
        if (!on(msg == DRVM_IN_GET_LEVELS, Kind::Any)) break;
        return levels();
    case DRVM_OUT_GET_SOURCE:
        if (!on(false, Kind::Any)) break;
        return answer({st.source[pair]});
    case DRVM_OUT_SET_SOURCE:
        if (!on(false, Kind::Any)) break;
        return set(Setting::Source, p1);
    case DRVM_OUT_GET_DIGITAL_STATUS:
        if (!on(false, Kind::Digital)) break;
        return answer({(st.digitalFormat & kDigitalFormatBit) | (st.extended ? kDigitalExtended : 0u)});
    case DRVM_OUT_SET_DIGITAL_FORMAT:
        if (!on(false, Kind::Digital)) break;
        return set(Setting::Format, p1);
    case DRVM_OUT_REGISTER_NOTIFY:
        if (!on(false, Kind::Any)) break;
        return m_notices.Register(id, h.card, pair, p1);
    case DRVM_OUT_UNREGISTER_NOTIFY:
        if (!on(false, Kind::Any)) break;
        return m_notices.Unregister(id, p1);
    case DRVM_OUT_GET_DEVNODE:
        if (!on(false, Kind::FirstAnalog)) break;
        return answer({st.devnode});
    case WODM_GETVOLUME:
        if (!on(false, Kind::Analog)) break;
        return answer({st.volume[pair]});
    case WODM_SETVOLUME:
        if (!on(false, Kind::Analog)) break;
        return set(Setting::Volume, p1);
    case DRVM_IN_GET_GAIN:
        if (!on(true, Kind::Analog)) break;
        return answer({st.gain[pair]});
    case DRVM_IN_SET_GAIN:
        if (!on(true, Kind::Analog)) break;
        return set(Setting::Gain, p1);
    case DRVM_IN_GET_ROUTING:
        if (!on(true, Kind::Any)) break;
        return answer({st.routing[pair]});
    case DRVM_IN_SET_ROUTING:
        if (!on(true, Kind::Any)) break;
        return set(Setting::Routing, p1);
    case DRVM_IN_ENABLE_LEVELING:
    case DRVM_IN_DISABLE_LEVELING:
        if (!on(true, Kind::Any)) break;
        return leveling(msg == DRVM_IN_ENABLE_LEVELING);
    case DRVM_IN_GET_MUTE:
        if (!on(true, Kind::Analog)) break;
        return answer({st.inputMute[pair]});
    case DRVM_IN_SET_MUTE:
        if (!on(true, Kind::Analog)) break;
        return set(Setting::InputMute, p1);
    default:
        break;
    }
    // Unknown, or not a message for this kind of device.
    return MMSYSERR_NOTSUPPORTED;
}

} // namespace emu
