// 16-bit global blocks: a selector table standing in for the 16-bit heap. A block's 16:16 address is
// its selector in the high word; the driver side resolves addresses through the same table.
#include "system/internal.h"
#include "system/sys.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

namespace {

constexpr DWORD kMaxBlock = 0x10000; // one selector addresses 64 KiB
constexpr WORD kSelectorCount = 8191;

struct Block {
    std::vector<BYTE> data;
    int fixes{};
    bool noFlat{}; // the program side cannot address it (a test's fault)
};

struct State {
    std::mutex mutex;
    std::map<WORD, Block> blocks;
    WORD nextIndex{1};
    std::function<bool(DWORD)> flatFault;
    // Counts the driver side's accesses from other threads, so a poller can sleep until the next one.
    std::uint64_t accesses{};
    std::condition_variable accessed;
};

State& S() {
    static State state;
    return state;
}

// LDT-style selectors (index << 3 | 7), so a selector is never 0 and never looks like a small number.
WORD SelectorOf(WORD index) {
    return static_cast<WORD>((index << 3) | 7);
}

enum class Side { Program, Driver };

// Caller holds the mutex.
BYTE* Resolve(DWORD vp, DWORD length, Side side) {
    auto it = S().blocks.find(static_cast<WORD>(vp >> 16));
    if (it == S().blocks.end() || (side == Side::Program && it->second.noFlat)) return nullptr;
    std::uint64_t offset = vp & 0xFFFF;
    if (offset + length > it->second.data.size()) return nullptr;
    return it->second.data.data() + offset;
}

} // namespace

DWORD WOWGlobalAllocLock16(WORD wFlags, DWORD cb, HGLOBAL16* phMem) {
    if (phMem) *phMem = 0;
    if (cb == 0 || cb > kMaxBlock) return 0;
    auto& s = S();
    std::function<bool(DWORD)> fault;
    {
        std::lock_guard lock(s.mutex);
        fault = s.flatFault;
    }
    bool noFlat = fault && fault(cb); // asked without the lock: the hook may allocate itself
    std::lock_guard lock(s.mutex);
    for (WORD tries = 0; tries < kSelectorCount; ++tries) {
        WORD index = s.nextIndex;
        s.nextIndex = s.nextIndex >= kSelectorCount ? 1 : s.nextIndex + 1;
        WORD sel = SelectorOf(index);
        if (s.blocks.count(sel)) continue;
        Block block;
        // Fresh memory of a real heap is not zero: GMEM_ZEROINIT must be asked for.
        block.data.assign(cb, (wFlags & GMEM_ZEROINIT) ? 0 : 0xCD);
        block.noFlat = noFlat;
        s.blocks.emplace(sel, std::move(block));
        if (phMem) *phMem = sel;
        return static_cast<DWORD>(sel) << 16;
    }
    return 0;
}

BOOL WOWGlobalUnlockFree16(DWORD vpMem) {
    if (vpMem & 0xFFFF) return FALSE;
    std::lock_guard lock(S().mutex);
    return S().blocks.erase(static_cast<WORD>(vpMem >> 16)) ? TRUE : FALSE;
}

void* WOWGetVDMPointer(DWORD vp, DWORD dwBytes, BOOL fProtectedMode) {
    if (!fProtectedMode) return nullptr; // real-mode segments do not exist here
    std::lock_guard lock(S().mutex);
    return Resolve(vp, dwBytes, Side::Program);
}

void* WOWGetVDMPointerFix(DWORD vp, DWORD dwBytes, BOOL fProtectedMode) {
    if (!fProtectedMode) return nullptr;
    std::lock_guard lock(S().mutex);
    BYTE* p = Resolve(vp, dwBytes, Side::Program);
    if (p) ++S().blocks[static_cast<WORD>(vp >> 16)].fixes;
    return p;
}

void WOWGetVDMPointerUnfix(DWORD vp) {
    std::lock_guard lock(S().mutex);
    auto it = S().blocks.find(static_cast<WORD>(vp >> 16));
    if (it != S().blocks.end() && it->second.fixes > 0) --it->second.fixes;
}

WORD WOWHandle16(HWND hWnd, WOW_HANDLE_TYPE) {
    return static_cast<WORD>(reinterpret_cast<std::uintptr_t>(hWnd));
}

HWND WOWHandle32(WORD h16, WOW_HANDLE_TYPE) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(h16));
}

namespace sys {

void* ResolveVdm16(DWORD vp, DWORD length) {
    std::lock_guard lock(S().mutex);
    return Resolve(vp, length, Side::Driver);
}

bool AccessVdm16(DWORD vp, DWORD length, const std::function<void(BYTE*)>& access) {
    std::unique_lock lock(S().mutex);
    BYTE* p = Resolve(vp, length, Side::Driver);
    if (!p) return false;
    access(p);
    ++S().accesses;
    lock.unlock();
    S().accessed.notify_all();
    return true;
}

std::uint64_t Vdm16Accesses() {
    std::lock_guard lock(S().mutex);
    return S().accesses;
}

void WaitVdm16Access(std::uint64_t seen, DWORD ms) {
    std::unique_lock lock(S().mutex);
    S().accessed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return S().accesses != seen; });
}

std::size_t LiveBlocks16() {
    std::lock_guard lock(S().mutex);
    return S().blocks.size();
}

void SetFlatAddressFault(std::function<bool(DWORD size)> fault) {
    std::lock_guard lock(S().mutex);
    S().flatFault = std::move(fault);
}

namespace detail {
void ResetWow16() {
    std::lock_guard lock(S().mutex);
    S().blocks.clear();
    S().nextIndex = 1;
    S().flatFault = nullptr;
}
} // namespace detail

} // namespace sys
