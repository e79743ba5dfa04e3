// A scripted wave driver for the driver-access tests: a device list of our choosing, every open and
// message recorded, devnodes answered through the 16:16 address like the card would.
#pragma once

#include "system/krvl_protocol.h"
#include "system/sys.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace fake {

struct Device {
    sys::WaveDir dir;
    WORD mid;
    WORD pid;
    std::string name;
    DWORD devnode{};
    bool refuseDevnode{}; // answers DRVM_OUT_GET_DEVNODE with an error, writing nothing
};

struct OpenRecord {
    sys::WaveDir dir;
    UINT localId;
    std::string extra;
    DWORD flags;
};

class Card : public sys::WaveDriver {
public:
    std::vector<Device> devices;
    std::vector<OpenRecord> opens;
    std::vector<std::pair<UINT, DWORD_PTR>> messages;
    std::vector<std::uintptr_t> closes;
    bool refuseClose = false;
    bool refuseOpen = false;

    // Two complete cards named as the card's driver names them.
    static std::vector<Device> TwoCards() {
        std::vector<Device> d;
        for (int c = 0; c < 2; ++c) {
            for (auto dir : {sys::WaveDir::In, sys::WaveDir::Out}) {
                bool in = dir == sys::WaveDir::In;
                for (int p = 0; p < 2; ++p) {
                    int hi = c * 4 + p * 2 + 2;
                    d.push_back({dir, krvl::kManufacturerId, in ? krvl::kPidAnalogIn : krvl::kPidAnalogOut,
                                 "Korvalin Analog " + std::to_string(hi - 1) + "-" + std::to_string(hi),
                                 static_cast<DWORD>(0x1000 + c)});
                }
                d.push_back({dir, krvl::kManufacturerId, in ? krvl::kPidDigitalIn : krvl::kPidDigitalOut,
                             std::string("Korvalin Digital ") + krvl::kCardNumerals[c],
                             static_cast<DWORD>(0x1000 + c)});
            }
        }
        return d;
    }

    std::vector<const Device*> Of(sys::WaveDir dir) const {
        std::vector<const Device*> out;
        for (auto& d : devices)
            if (d.dir == dir) out.push_back(&d);
        return out;
    }

    UINT DeviceCount(sys::WaveDir dir) override { return static_cast<UINT>(Of(dir).size()); }
    bool Caps(sys::WaveDir dir, UINT id, sys::WaveCaps& caps) override {
        auto list = Of(dir);
        if (id >= list.size()) return false;
        caps.mid = list[id]->mid;
        caps.pid = list[id]->pid;
        caps.name = list[id]->name;
        return true;
    }
    MMRESULT Open(sys::WaveDir dir, UINT id, const WAVEFORMATEX* fmt, DWORD_PTR, DWORD_PTR, DWORD flags,
                  std::uintptr_t& handle) override {
        opens.push_back({dir, id, std::string(reinterpret_cast<const char*>(fmt + 1), fmt->cbSize), flags});
        if (refuseOpen) return MMSYSERR_ALLOCATED;
        handle = (id + 1) * 100 + opens.size();
        m_deviceOf[handle] = Of(dir)[id];
        return MMSYSERR_NOERROR;
    }
    MMRESULT Close(sys::WaveDir, std::uintptr_t handle) override {
        closes.push_back(handle);
        return refuseClose ? MMSYSERR_ERROR : MMSYSERR_NOERROR;
    }
    DWORD Message(sys::WaveDir, std::uintptr_t handle, UINT msg, DWORD_PTR p1, DWORD_PTR) override {
        messages.push_back({msg, p1});
        if (msg == krvl::DRVM_OUT_GET_DEVNODE) {
            if (m_deviceOf[handle]->refuseDevnode) return MMSYSERR_ERROR;
            void* p = sys::ResolveVdm16(static_cast<DWORD>(p1), 4);
            if (!p) return MMSYSERR_INVALPARAM;
            DWORD v = m_deviceOf[handle]->devnode;
            std::memcpy(p, &v, 4);
        }
        return MMSYSERR_NOERROR;
    }

private:
    std::map<std::uintptr_t, const Device*> m_deviceOf;
};

} // namespace fake
