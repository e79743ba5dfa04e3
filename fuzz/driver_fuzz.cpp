// The emulated driver's message handler through the wave API: random message numbers, parameters and
// 16:16 addresses on open, closed and made-up handles, with opens of any device and format between.
// Every handle and block is given back at the end of an input, and the driver must hold none.
#include "Address.h"
#include "FuzzDir.h"
#include "emu/Emulator.h"
#include "system/krvl_protocol.h"
#include "system/sys.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <vector>

namespace {

struct Handle {
    bool in{};
    std::uintptr_t value{};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto card = [] {
        sys::SetWindowsDirectory(FuzzDir("driver"));
        sys::UseVirtualClock();
        emu::Scenario scenario = emu::Scenario::Default();
        return emu::Emulator::Install(scenario);
    }();
    FuzzedDataProvider in(data, size);
    const std::size_t blocksBefore = sys::LiveBlocks16();
    std::vector<DWORD> blocks, freed;
    std::vector<Handle> open, closed;
    for (int n = in.ConsumeIntegralInRange(0, 3); n > 0; --n) {
        const DWORD sizes[] = {4, 16, 20, 64, in.ConsumeIntegralInRange<DWORD>(0, 300)};
        HGLOBAL16 mem{};
        if (DWORD vp = WOWGlobalAllocLock16(0, in.PickValueInArray(sizes), &mem)) blocks.push_back(vp);
    }
    for (int step = 0; step < 64 && in.remaining_bytes() > 0; ++step) {
        switch (in.ConsumeIntegralInRange(0, 5)) {
        case 0: { // open a device, with the control format or another one
            const bool isIn = in.ConsumeBool();
            const UINT count = isIn ? waveInGetNumDevs() : waveOutGetNumDevs();
            const UINT id = in.ConsumeIntegralInRange<UINT>(0, count + 1);
            krvl::CtrlOpenFormat format;
            if (in.ConsumeBool()) format.extra[in.ConsumeIntegralInRange(0, 3)] = in.ConsumeIntegral<char>();
            if (in.ConsumeBool()) format.wfx.cbSize = in.ConsumeIntegral<WORD>() % 5;
            MMRESULT r;
            Handle h{isIn, 0};
            if (isIn) {
                HWAVEIN w{};
                r = waveInOpen(&w, id, &format.wfx, 0, 0, 0);
                h.value = reinterpret_cast<std::uintptr_t>(w);
            } else {
                HWAVEOUT w{};
                r = waveOutOpen(&w, id, &format.wfx, 0, 0, 0);
                h.value = reinterpret_cast<std::uintptr_t>(w);
            }
            if (r == MMSYSERR_NOERROR) open.push_back(h);
            break;
        }
        case 1: // close one
            if (!open.empty()) {
                std::size_t i = in.ConsumeIntegralInRange<std::size_t>(0, open.size() - 1);
                Handle h = open[i];
                open.erase(open.begin() + static_cast<std::ptrdiff_t>(i));
                MMRESULT r = h.in ? waveInClose(reinterpret_cast<HWAVEIN>(h.value))
                                  : waveOutClose(reinterpret_cast<HWAVEOUT>(h.value));
                if (r != MMSYSERR_NOERROR) std::abort();
                closed.push_back(h);
            }
            break;
        case 2: // close a closed or made-up handle: refused
            if (!closed.empty() || in.ConsumeBool()) {
                Handle h = closed.empty() ? Handle{in.ConsumeBool(), in.ConsumeIntegral<std::uintptr_t>()}
                                          : PickOne(in, closed);
                bool known = false;
                for (auto& o : open)
                    known = known || (o.in == h.in && o.value == h.value);
                if (known) break;
                MMRESULT r = h.in ? waveInClose(reinterpret_cast<HWAVEIN>(h.value))
                                  : waveOutClose(reinterpret_cast<HWAVEOUT>(h.value));
                if (r == MMSYSERR_NOERROR) std::abort();
            }
            break;
        case 3: { // free a block the driver may still have been given
            if (blocks.empty()) break;
            std::size_t i = in.ConsumeIntegralInRange<std::size_t>(0, blocks.size() - 1);
            WOWGlobalUnlockFree16(blocks[i]);
            freed.push_back(blocks[i]);
            blocks.erase(blocks.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
        default: { // a message on an open, closed or made-up handle
            Handle h{in.ConsumeBool(), 0};
            const int pick = in.ConsumeIntegralInRange(0, 3);
            if (pick <= 1 && !open.empty())
                h = PickOne(in, open);
            else if (pick == 2 && !closed.empty())
                h = PickOne(in, closed);
            else
                h.value = in.ConsumeIntegral<std::uintptr_t>();
            const UINT msg = in.ConsumeBool() ? DRV_USER + in.ConsumeIntegralInRange<UINT>(0, 70)
                                              : in.ConsumeIntegral<UINT>();
            // Mostly the blocks handed out: the card reads and writes records through them.
            const DWORD_PTR p1 = PickAddress(in, blocks, freed, 0xFF, 2),
                            p2 = PickAddress(in, blocks, freed, 0xFF, 2);
            if (h.in)
                waveInMessage(reinterpret_cast<HWAVEIN>(h.value), msg, p1, p2);
            else
                waveOutMessage(reinterpret_cast<HWAVEOUT>(h.value), msg, p1, p2);
            break;
        }
        }
    }
    for (auto& h : open)
        if ((h.in ? waveInClose(reinterpret_cast<HWAVEIN>(h.value))
                  : waveOutClose(reinterpret_cast<HWAVEOUT>(h.value))) != MMSYSERR_NOERROR)
            std::abort();
    for (DWORD b : blocks)
        WOWGlobalUnlockFree16(b);
    // Notices the driver posted (to windows that may not exist) do not pile up between inputs.
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
    if (sys::LiveBlocks16() != blocksBefore) std::abort();
    (void)card;
    return 0;
}
