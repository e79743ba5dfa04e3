#include "system/sys.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <map>
#include <thread>
#include <vector>

namespace {

class Blocks : public ::testing::Test {
protected:
    void TearDown() override { sys::ResetSystem(); }
};

TEST_F(Blocks, RoundTripBetweenProgramAndDriverSides) {
    HGLOBAL16 h = 0;
    DWORD vp = WOWGlobalAllocLock16(GMEM_ZEROINIT, 112, &h);
    ASSERT_NE(vp, 0u);
    EXPECT_EQ(vp & 0xFFFF, 0u);
    EXPECT_EQ(h, vp >> 16);
    auto* flat = static_cast<BYTE*>(WOWGetVDMPointerFix(vp, 112, TRUE));
    ASSERT_NE(flat, nullptr);
    for (int i = 0; i < 112; ++i)
        EXPECT_EQ(flat[i], 0) << i;

    // The driver sees the program's writes at the same 16:16 address, also inside the block.
    flat[14 * 3] = 0x42;
    auto* record = static_cast<BYTE*>(sys::ResolveVdm16(vp + 14 * 3, 14));
    ASSERT_EQ(record, flat + 14 * 3);
    EXPECT_EQ(record[0], 0x42);
    EXPECT_TRUE(sys::AccessVdm16(vp + 4, 4, [](BYTE* p) { std::memcpy(p, "\x11\x22\x33\x44", 4); }));
    EXPECT_EQ(flat[4], 0x11);
    EXPECT_EQ(flat[7], 0x44);
    EXPECT_EQ(WOWGetVDMPointer(vp, 112, TRUE), flat);

    WOWGetVDMPointerUnfix(vp);
    EXPECT_TRUE(WOWGlobalUnlockFree16(vp));
    EXPECT_EQ(sys::LiveBlocks16(), 0u);
}

TEST_F(Blocks, AWaitForAnAccessEndsAtAnotherThreadsWriteAndABadAddressIsNoAccess) {
    DWORD vp = WOWGlobalAllocLock16(GMEM_ZEROINIT, 4, nullptr);
    ASSERT_NE(vp, 0u);
    std::uint64_t seen = sys::Vdm16Accesses();
    EXPECT_FALSE(sys::AccessVdm16(vp + 2, 4, [](BYTE*) {}));
    EXPECT_EQ(sys::Vdm16Accesses(), seen);
    // Without a wake-up this wait would last for weeks: the write ends it.
    std::atomic<bool> written{false};
    std::thread writer([&] {
        sys::AccessVdm16(vp, 4, [](BYTE* p) { p[0] = 1; });
        written = true;
    });
    sys::WaitVdm16Access(seen, 0xFFFFFFF0u);
    writer.join();
    EXPECT_TRUE(written);
    EXPECT_EQ(sys::Vdm16Accesses(), seen + 1);
    EXPECT_EQ(static_cast<BYTE*>(WOWGetVDMPointer(vp, 4, TRUE))[0], 1);
    // A count that moved on already needs no wait at all.
    sys::WaitVdm16Access(seen, 0xFFFFFFF0u);
    EXPECT_TRUE(WOWGlobalUnlockFree16(vp));
}

TEST_F(Blocks, AFlatAddressFaultLeavesTheBlockWithoutAFlatPointer) {
    std::vector<DWORD> asked;
    sys::SetFlatAddressFault([&](DWORD size) {
        asked.push_back(size);
        return size == 8;
    });
    DWORD bad = WOWGlobalAllocLock16(GMEM_ZEROINIT, 8, nullptr);
    DWORD good = WOWGlobalAllocLock16(GMEM_ZEROINIT, 4, nullptr);
    EXPECT_EQ(asked, (std::vector<DWORD>{8, 4}));
    ASSERT_NE(bad, 0u); // the block and its 16:16 address exist
    ASSERT_NE(good, 0u);
    EXPECT_EQ(WOWGetVDMPointerFix(bad, 8, TRUE), nullptr);
    EXPECT_EQ(WOWGetVDMPointer(bad, 4, TRUE), nullptr);
    EXPECT_NE(WOWGetVDMPointerFix(good, 4, TRUE), nullptr);
    EXPECT_NE(sys::ResolveVdm16(bad, 8), nullptr); // the driver still reaches it
    EXPECT_TRUE(WOWGlobalUnlockFree16(bad));
    EXPECT_TRUE(WOWGlobalUnlockFree16(good));

    sys::ResetSystem();
    DWORD after = WOWGlobalAllocLock16(GMEM_ZEROINIT, 8, nullptr);
    EXPECT_NE(WOWGetVDMPointerFix(after, 8, TRUE), nullptr);
    EXPECT_EQ(asked.size(), 2u);
}

TEST_F(Blocks, BadAddressesResolveToNothing) {
    DWORD vp = WOWGlobalAllocLock16(GMEM_ZEROINIT, 8, nullptr);
    ASSERT_NE(vp, 0u);
    EXPECT_NE(sys::ResolveVdm16(vp, 8), nullptr);
    EXPECT_NE(sys::ResolveVdm16(vp + 4, 4), nullptr);
    EXPECT_EQ(sys::ResolveVdm16(vp + 4, 5), nullptr);       // runs past the end
    EXPECT_EQ(sys::ResolveVdm16(vp + 0xFFFF, 1), nullptr);  // offset far out
    EXPECT_EQ(sys::ResolveVdm16(vp, 0xFFFFFFFFu), nullptr); // length that would wrap
    EXPECT_EQ(sys::ResolveVdm16(0, 4), nullptr);
    EXPECT_EQ(sys::ResolveVdm16(0x12340000, 4), nullptr);
    EXPECT_EQ(WOWGetVDMPointer(vp, 8, FALSE), nullptr); // real-mode addresses do not exist here
    bool ran = false;
    EXPECT_FALSE(sys::AccessVdm16(vp + 6, 4, [&](BYTE*) { ran = true; }));
    EXPECT_FALSE(ran);

    EXPECT_FALSE(WOWGlobalUnlockFree16(vp + 2)); // not the block's own address
    EXPECT_TRUE(WOWGlobalUnlockFree16(vp));
    EXPECT_EQ(sys::ResolveVdm16(vp, 4), nullptr); // freed
    EXPECT_FALSE(WOWGlobalUnlockFree16(vp));
    EXPECT_EQ(WOWGetVDMPointerFix(vp, 4, TRUE), nullptr);

    EXPECT_EQ(WOWGlobalAllocLock16(GMEM_ZEROINIT, 0, nullptr), 0u);
    EXPECT_EQ(WOWGlobalAllocLock16(GMEM_ZEROINIT, 0x10001, nullptr), 0u);
}

TEST_F(Blocks, FreedSelectorsAreNotHandedOutAgainAtOnce) {
    DWORD first = WOWGlobalAllocLock16(GMEM_ZEROINIT, 4, nullptr);
    WOWGlobalUnlockFree16(first);
    DWORD second = WOWGlobalAllocLock16(GMEM_MOVEABLE | GMEM_ZEROINIT, 4, nullptr);
    EXPECT_NE(first, second); // a stale address must not reach someone else's block
    WOWGlobalUnlockFree16(second);
}

TEST_F(Blocks, WindowHandlesMapToSixteenBitsAndBack) {
    HWND w = sys::CreateWindowHandle([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    WORD h16 = WOWHandle16(w, WOW_TYPE_HWND);
    EXPECT_NE(h16, 0);
    EXPECT_EQ(WOWHandle32(h16, WOW_TYPE_HWND), w);
}

// A small driver that answers with its own name and counts what it was sent.
class FakeDriver : public sys::WaveDriver {
public:
    FakeDriver(std::string prefix, UINT ins, UINT outs)
        : m_prefix(std::move(prefix)), m_in(ins), m_out(outs) {}
    UINT DeviceCount(sys::WaveDir dir) override { return dir == sys::WaveDir::In ? m_in : m_out; }
    bool Caps(sys::WaveDir dir, UINT id, sys::WaveCaps& caps) override {
        caps.mid = 190;
        caps.pid = static_cast<WORD>(37 + id);
        caps.name = m_prefix + (dir == sys::WaveDir::In ? " in " : " out ") + std::to_string(id);
        return true;
    }
    MMRESULT Open(sys::WaveDir, UINT id, const WAVEFORMATEX* fmt, DWORD_PTR, DWORD_PTR, DWORD,
                  std::uintptr_t& handle) override {
        if (refuseOpen) return MMSYSERR_ALLOCATED;
        lastExtra.assign(reinterpret_cast<const char*>(fmt + 1), fmt->cbSize);
        handle = 100 + id + 10 * ++opens;
        return MMSYSERR_NOERROR;
    }
    MMRESULT Close(sys::WaveDir, std::uintptr_t) override {
        return refuseClose ? MMSYSERR_ERROR : MMSYSERR_NOERROR;
    }
    DWORD Message(sys::WaveDir, std::uintptr_t handle, UINT msg, DWORD_PTR p1, DWORD_PTR) override {
        messages[handle].push_back({msg, p1});
        return MMSYSERR_NOERROR;
    }

    std::string m_prefix;
    UINT m_in, m_out;
    int opens = 0;
    bool refuseOpen = false;
    bool refuseClose = false;
    std::string lastExtra;
    std::map<std::uintptr_t, std::vector<std::pair<UINT, DWORD_PTR>>> messages;
};

#pragma pack(push, 1)
struct ControlFormat {
    WAVEFORMATEX wfx;
    char extra[4];
};
#pragma pack(pop)

TEST_F(Blocks, WaveDeviceIdsRunAcrossDriversAndHandlesDispatchToTheirOwn) {
    auto a = std::make_shared<FakeDriver>("A", 2, 3);
    auto b = std::make_shared<FakeDriver>("B", 1, 1);
    sys::RegisterWaveDriver(a);
    sys::RegisterWaveDriver(b);
    EXPECT_EQ(waveInGetNumDevs(), 3u);
    EXPECT_EQ(waveOutGetNumDevs(), 4u);

    WAVEINCAPSA inCaps{};
    ASSERT_EQ(waveInGetDevCapsA(2, &inCaps, sizeof inCaps), MMSYSERR_NOERROR);
    EXPECT_STREQ(inCaps.szPname, "B in 0");
    WAVEOUTCAPSA outCaps{};
    ASSERT_EQ(waveOutGetDevCapsA(2, &outCaps, sizeof outCaps), MMSYSERR_NOERROR);
    EXPECT_STREQ(outCaps.szPname, "A out 2");
    EXPECT_EQ(outCaps.wMid, 190);
    EXPECT_EQ(outCaps.wPid, 39);
    EXPECT_EQ(waveOutGetDevCapsA(4, &outCaps, sizeof outCaps), MMSYSERR_BADDEVICEID);

    ControlFormat fmt{{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 4}, {'C', 'T', 'R', 'L'}};
    HWAVEOUT h1 = nullptr, h2 = nullptr;
    ASSERT_EQ(waveOutOpen(&h1, 3, &fmt.wfx, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    EXPECT_EQ(b->lastExtra, "CTRL");
    ASSERT_EQ(waveOutOpen(&h2, 0, &fmt.wfx, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    EXPECT_NE(h1, h2);
    EXPECT_EQ(waveOutMessage(h1, DRV_USER + 9, 0x1234, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutMessage(h2, DRV_USER + 10, 0x5678, 0), MMSYSERR_NOERROR);
    ASSERT_EQ(b->messages.size(), 1u);
    EXPECT_EQ(b->messages.begin()->second[0], (std::pair<UINT, DWORD_PTR>{DRV_USER + 9, 0x1234}));
    ASSERT_EQ(a->messages.size(), 1u);

    // An out handle is no in handle.
    EXPECT_EQ(waveInMessage(reinterpret_cast<HWAVEIN>(h1), DRV_USER, 0, 0), MMSYSERR_INVALHANDLE);
    HWAVEIN hi = nullptr;
    EXPECT_EQ(waveInOpen(&hi, 7, &fmt.wfx, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(hi, nullptr);

    // A refused close leaves the handle usable; a closed one is gone.
    b->refuseClose = true;
    EXPECT_EQ(waveOutClose(h1), MMSYSERR_ERROR);
    EXPECT_EQ(waveOutMessage(h1, DRV_USER, 0, 0), MMSYSERR_NOERROR);
    b->refuseClose = false;
    EXPECT_EQ(waveOutClose(h1), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(h1), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutMessage(h1, DRV_USER, 0, 0), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(sys::OpenWaveHandles(), 1u);

    a->refuseOpen = true;
    HWAVEOUT h3 = nullptr;
    EXPECT_EQ(waveOutOpen(&h3, 1, &fmt.wfx, 0, 0, CALLBACK_NULL), MMSYSERR_ALLOCATED);
    EXPECT_EQ(h3, nullptr);
}

TEST_F(Blocks, CallbackWindowMustExist) {
    auto a = std::make_shared<FakeDriver>("A", 1, 1);
    sys::RegisterWaveDriver(a);
    ControlFormat fmt{{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 4}, {'C', 'T', 'R', 'L'}};
    HWAVEIN h = nullptr;
    EXPECT_EQ(waveInOpen(&h, 0, &fmt.wfx, 0xFFF0, 0, CALLBACK_WINDOW), MMSYSERR_INVALPARAM);
    HWND w = sys::CreateWindowHandle([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    EXPECT_EQ(waveInOpen(&h, 0, &fmt.wfx, reinterpret_cast<DWORD_PTR>(w), 0, CALLBACK_WINDOW),
              MMSYSERR_NOERROR);
    EXPECT_EQ(waveInClose(h), MMSYSERR_NOERROR);
}

} // namespace
