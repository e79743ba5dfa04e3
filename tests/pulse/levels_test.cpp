// Peak levels from the server's record streams, and monitoring and playback sources as loopbacks.
#include "PulseTest.h"

#include "system/krvl_protocol.h"

using namespace pulse_test;
using namespace krvl::proto;

namespace {

using Pair = std::array<DWORD, 2>;

class Levels : public PulseTest {
protected:
    Pair Read(HWAVEOUT h) {
        Block b(8);
        EXPECT_EQ(waveOutMessage(h, DRVM_OUT_GET_LEVELS, b.vp(), 0), 0u);
        return {b.U32(0), b.U32(4)};
    }
    Pair Read(HWAVEIN h) {
        Block b(8);
        EXPECT_EQ(waveInMessage(h, DRVM_IN_GET_LEVELS, b.vp(), 0), 0u);
        return {b.U32(0), b.U32(4)};
    }
    // Polls as the meters do (but faster) until both channels read at least floor; the last reading.
    template <class H> std::optional<Pair> WaitForLevel(H h, DWORD floor, int ms, int* elapsed = nullptr) {
        auto start = Clock::now();
        Pair last{};
        bool seen = PumpUntil(
            [&] {
                Pair p = Read(h);
                last = {std::max(last[0], p[0]), std::max(last[1], p[1])};
                return last[0] >= floor && last[1] >= floor;
            },
            ms);
        if (elapsed)
            *elapsed = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
        if (!seen) return std::nullopt;
        return last;
    }
};

// -6 dBFS on the 0 to 32767 scale.
constexpr double kMinus6 = 32767.0 * 0.50119;

} // namespace

TEST_F(Levels, AToneOnAnOutputLightsItsMetersAtItsLevelSoonAfterItStarts) {
    Install();
    HWAVEOUT out = OpenOut("Korvalin Analog Out 1-2");
    ASSERT_EQ(waveOutMessage(out, DRVM_OUT_ENABLE_LEVELING, 0, 0), 0u);
    // What is measured is the tone's way to the meter, on a sink that runs as a desktop's does.
    m_server->SettleSinks();
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(Read(out), (Pair{0, 0}));

    TestServer::Player player(*m_server, "out12", -6.0);
    ASSERT_TRUE(PumpUntil([&] { return m_server->Count("sink-inputs") > 0; }));
    PumpUntil([] { return false; }, 100);
    EXPECT_LT(Read(out)[0], 100u); // the player's silence
    auto start = player.StartTone();
    Pair seen{};
    ASSERT_TRUE(PumpUntil(
        [&] {
            Pair p = Read(out);
            seen = {std::max(seen[0], p[0]), std::max(seen[1], p[1])};
            return seen[0] >= kMinus6 * 0.9 && seen[1] >= kMinus6 * 0.9;
        },
        2000))
        << "no level within 2 s";
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    RecordProperty("tone_to_level_ms", static_cast<int>(elapsed));
    EXPECT_LT(elapsed, 200);
    // The peak since the last read, at the tone's level.
    PumpUntil([] { return false; }, 120);
    Pair p = Read(out);
    EXPECT_NEAR(p[0], kMinus6, kMinus6 * 0.03);
    EXPECT_NEAR(p[1], kMinus6, kMinus6 * 0.03);

    // The output's volume acts on what its meter shows: -20 dB.
    ASSERT_EQ(waveOutMessage(out, WODM_SETVOLUME, 0xAE00AE00, 0), 0u);
    PumpUntil([] { return false; }, 150);
    Read(out);
    PumpUntil([] { return false; }, 120);
    p = Read(out);
    EXPECT_NEAR(p[0], kMinus6 / 10, kMinus6 / 10 * 0.1);
}

TEST_F(Levels, LevelingRunsOneStreamPerPlaceWhileAHandleWantsItAndNoneAfter) {
    Install();
    int before = m_server->Count("source-outputs");
    HWAVEIN a = OpenIn("Korvalin Analog In 1-2");
    HWAVEIN b = OpenIn("Korvalin Analog In 1-2");
    HWAVEIN c = OpenIn("Korvalin Analog In 3-4");
    ASSERT_EQ(waveInMessage(a, DRVM_IN_ENABLE_LEVELING, 0, 0), 0u);
    ASSERT_EQ(waveInMessage(b, DRVM_IN_ENABLE_LEVELING, 0, 0), 0u);
    ASSERT_EQ(waveInMessage(c, DRVM_IN_ENABLE_LEVELING, 0, 0), 0u);
    EXPECT_EQ(m_driver->MeterStreams(), 2u);
    ASSERT_TRUE(PumpUntil([&] { return m_server->Count("source-outputs") == before + 2; }));

    // The input's gain and the server's source carry the tone: both handles see it, each its own peak.
    m_server->SettleSinks();
    Child tone = m_server->Play("feed12", -6.0);
    ASSERT_TRUE(WaitForLevel(a, static_cast<DWORD>(kMinus6 * 0.9), 2000));
    ASSERT_TRUE(WaitForLevel(b, static_cast<DWORD>(kMinus6 * 0.9), 2000));
    EXPECT_EQ(Read(c)[0], 0u);

    ASSERT_EQ(waveInMessage(a, DRVM_IN_DISABLE_LEVELING, 0, 0), 0u);
    EXPECT_EQ(Read(a), (Pair{0, 0}));
    EXPECT_EQ(m_driver->MeterStreams(), 2u);
    ASSERT_EQ(waveInMessage(b, DRVM_IN_DISABLE_LEVELING, 0, 0), 0u);
    EXPECT_EQ(waveInClose(c), 0u); // closing a handle ends its leveling too
    EXPECT_EQ(m_driver->MeterStreams(), 0u);
    EXPECT_TRUE(PumpUntil([&] { return m_server->Count("source-outputs") == before; }));
}

TEST_F(Levels, MonitoringAnInputIsOneLoopbackWhileItIsOn) {
    Install();
    int loopbacks = m_server->Count("modules", "module-loopback");
    HWAVEIN in = OpenIn("Korvalin Analog In 1-2");
    // Line, monitored on Analog 3-4, on record.
    ASSERT_EQ(waveInMessage(in, DRVM_IN_SET_ROUTING, 0x00010206, 0), 0u);
    EXPECT_EQ(m_server->Count("modules", "module-loopback"), loopbacks + 1);
    ASSERT_EQ(m_driver->Routes().size(), 1u);
    EXPECT_EQ(m_driver->Routes()[0].fromSource, "in12");
    EXPECT_EQ(m_driver->Routes()[0].toSink, "out34");

    // What the input carries now sounds on Analog 3-4.
    HWAVEOUT out = OpenOut("Korvalin Analog Out 3-4");
    ASSERT_EQ(waveOutMessage(out, DRVM_OUT_ENABLE_LEVELING, 0, 0), 0u);
    m_server->SettleSinks();
    Child tone = m_server->Play("feed12", -6.0);
    EXPECT_TRUE(WaitForLevel(out, static_cast<DWORD>(kMinus6 * 0.8), 3000));

    // The same route chosen as Analog 3-4's playback source is still one loopback.
    ASSERT_EQ(waveOutMessage(out, DRVM_OUT_SET_SOURCE, 1, 0), 0u);
    EXPECT_EQ(m_server->Count("modules", "module-loopback"), loopbacks + 1);
    ASSERT_EQ(waveOutMessage(out, DRVM_OUT_SET_SOURCE, 2, 0), 0u); // its own playback again

    // Monitoring off.
    ASSERT_EQ(waveInMessage(in, DRVM_IN_SET_ROUTING, 0x00000206, 0), 0u);
    EXPECT_EQ(m_server->Count("modules", "module-loopback"), loopbacks);
    EXPECT_TRUE(m_driver->Routes().empty());
}

TEST_F(Levels, PlaybackSourcesAreLoopbacksTheDriverRemovesWhenItGoes) {
    Install(R"({"cards": [{"outputs": {
        "Analog 1-2": {"sink": "quad", "channels": ["front-left", "front-right"]},
        "Analog 3-4": {"sink": "quad", "channels": ["rear-left", "rear-right"]},
        "Digital": {"sink": "out12"}},
      "inputs": {"Analog 1-2": {"source": "in12"}}}]})");
    int loopbacks = m_server->Count("modules", "module-loopback");
    HWAVEOUT rear = OpenOut("Korvalin Analog Out 3-4");
    // Analog 3-4 plays the digital pair's playback, and Analog 1-2 monitors the Analog 1-2 input.
    ASSERT_EQ(waveOutMessage(rear, DRVM_OUT_SET_SOURCE, 4, 0), 0u);
    HWAVEOUT front = OpenOut("Korvalin Analog Out 1-2");
    ASSERT_EQ(waveOutMessage(front, DRVM_OUT_SET_SOURCE, 1, 0), 0u);
    EXPECT_EQ(m_server->Count("modules", "module-loopback"), loopbacks + 2);
    Block b(4);
    ASSERT_EQ(waveOutMessage(rear, DRVM_OUT_GET_SOURCE, b.vp(), 0), 0u);
    EXPECT_EQ(b.U32(), 4u);

    // The digital playback reaches the rear channels of the four-channel sink.
    ASSERT_EQ(waveOutMessage(rear, DRVM_OUT_ENABLE_LEVELING, 0, 0), 0u);
    m_server->SettleSinks();
    Child tone = m_server->Play("out12", -6.0);
    EXPECT_TRUE(WaitForLevel(rear, static_cast<DWORD>(kMinus6 * 0.8), 3000));

    m_driver->Uninstall();
    EXPECT_EQ(m_server->Count("modules", "module-loopback"), loopbacks);
    EXPECT_EQ(m_server->Count("modules", "module-remap-sink"), 0);
}
