// The configuration entry's command line and its 16:16 addresses, through the system layer: random
// lines and random, stale, shifted and valid addresses. A request touches only live blocks that hold
// the whole record, and the completion word is set only where a live block has room for it.
#include "Address.h"
#include "cardcore/Config.h"
#include "system/sys.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

const DWORD kRequests[] = {krvl::CFG_GETSTATES, krvl::CFG_RECONFIGURABLE, krvl::CFG_GETCONFIG,
                           krvl::CFG_SETCONFIG, krvl::CFG_SETCONFIG_ONTHEFLY};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::size_t blocksBefore = sys::LiveBlocks16();
    std::vector<DWORD> live, freed;
    for (int n = in.ConsumeIntegralInRange(0, 3); n > 0; --n) {
        const DWORD sizes[] = {4, 20, 800, in.ConsumeIntegralInRange<DWORD>(0, 70000)};
        HGLOBAL16 mem{};
        DWORD vp = WOWGlobalAllocLock16(0, in.PickValueInArray(sizes), &mem);
        if (vp) live.push_back(vp);
    }
    if (!live.empty() && in.ConsumeBool()) {
        freed.push_back(live.back());
        WOWGlobalUnlockFree16(live.back());
        live.pop_back();
    }

    std::string line;
    if (in.ConsumeBool()) {
        line = in.ConsumeRandomLengthString(200);
    } else {
        char buf[128];
        std::snprintf(buf, sizeof buf, "KRVL.DRV,DriverConfig %s $%08X #%08X",
                      krvl::ConfigRequestName(in.PickValueInArray(kRequests)),
                      PickAddress(in, live, freed, 0xFFFF), PickAddress(in, live, freed, 0xFFFF));
        line = buf + in.ConsumeRandomLengthString(8);
    }
    auto command = cardcore::ConfigCommand::Parse(line);
    if (command.wellFormed) {
        cardcore::ConfigStore store(in.ConsumeIntegralInRange(1, 4));
        cardcore::StateRecord states{};
        store.Serve(command.request, command.data, states, in.ConsumeIntegral<LONG>());
        if (store.FromHex(store.ToHex()) != true) std::abort();
    }
    const bool room = command.completion && sys::ResolveVdm16(*command.completion, 4) != nullptr;
    if (command.Complete() != room) std::abort();

    // The flat side of the same addresses: a pointer only for a range inside a live block.
    const DWORD vp = PickAddress(in, live, freed, 0xFFFF);
    const DWORD bytes = in.ConsumeIntegralInRange<DWORD>(0, 1000);
    if ((WOWGetVDMPointer(vp, bytes, TRUE) != nullptr) != (sys::ResolveVdm16(vp, bytes) != nullptr))
        std::abort();
    if (void* p = WOWGetVDMPointerFix(vp, bytes, TRUE)) {
        if (bytes > 0)
            static_cast<volatile BYTE*>(p)[bytes - 1]; // the whole range is the block's; none for 0 bytes
        WOWGetVDMPointerUnfix(vp);
    }
    for (DWORD f : freed)
        if (WOWGlobalUnlockFree16(f)) std::abort(); // a block is freed once
    for (DWORD l : live)
        if (!WOWGlobalUnlockFree16(l)) std::abort();
    if (sys::LiveBlocks16() != blocksBefore) std::abort();
    return 0;
}
