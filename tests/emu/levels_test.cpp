// Peak levels from the signal model, exact on the virtual clock.
#include "EmuTest.h"

#include <cmath>
#include <fstream>
#include <optional>

using namespace emu_test;
using namespace emu;

namespace {

class Levels : public EmuTest {
protected:
    // One card; Analog 1-2 input carries a 1 kHz sine of 20000 left and 10000 right; Analog 3-4
    // playback a 50 Hz sine of 30000; Digital input silent.
    void SetUp() override {
        EmuTest::SetUp();
        m_block.emplace(8);
        InstallJson(R"({"cards": [{"signals": {
            "in": [{"left": {"type": "sine", "level": 20000, "freq": 1000},
                    "right": {"type": "sine", "level": 10000, "freq": 1000}},
                   {"type": "noise", "level": 5000, "seed": 7}],
            "out": [null, {"type": "sine", "level": 30000, "freq": 50}]}}], "persist": false})");
    }
    std::array<DWORD, 2> ReadIn(HWAVEIN h) {
        EXPECT_EQ(waveInMessage(h, DRVM_IN_GET_LEVELS, m_block->vp(), 0), 0u);
        return {m_block->U32(0), m_block->U32(4)};
    }
    std::array<DWORD, 2> ReadOut(HWAVEOUT h) {
        EXPECT_EQ(waveOutMessage(h, DRVM_OUT_GET_LEVELS, m_block->vp(), 0), 0u);
        return {m_block->U32(0), m_block->U32(4)};
    }
    static DWORD Scaled(double level, double db) {
        return static_cast<DWORD>(std::lround(level * std::pow(10, db / 20)));
    }

    void TearDown() override {
        m_block.reset();
        EmuTest::TearDown();
    }

    std::optional<Block> m_block; // made after the system is reset
};

using Pair = std::array<DWORD, 2>;

} // namespace

TEST_F(Levels, InputPeaksFollowGainAndMuteOnlyWhileLevelingIsOn) {
    HWAVEIN h = OpenIn(0, 0);
    m_clock->Advance(100);
    EXPECT_EQ(ReadIn(h), (Pair{0, 0})); // leveling off
    ASSERT_EQ(waveInMessage(h, DRVM_IN_ENABLE_LEVELING, 0, 0), 0u);
    m_clock->Advance(100);
    EXPECT_EQ(ReadIn(h), (Pair{20000, 10000}));

    // +3 dB on the left (position 134), -20 dB on the right (position 88).
    waveInMessage(h, DRVM_IN_SET_GAIN, 0x58008600, 0);
    m_clock->Advance(100);
    EXPECT_EQ(ReadIn(h), (Pair{Scaled(20000, 3), Scaled(10000, -20)}));
    // Clipped at full scale.
    waveInMessage(h, DRVM_IN_SET_GAIN, 0xA400A400, 0);
    m_clock->Advance(100);
    EXPECT_EQ(ReadIn(h), (Pair{32767, 32767}));
    waveInMessage(h, DRVM_IN_SET_GAIN, 0x80008000, 0);
    waveInMessage(h, DRVM_IN_SET_MUTE, 0xFFFF0000, 0);
    m_clock->Advance(100);
    EXPECT_EQ(ReadIn(h), (Pair{20000, 0}));

    // Another handle on the same device has leveling of its own.
    HWAVEIN other = OpenIn(0, 0);
    m_clock->Advance(100);
    EXPECT_EQ(ReadIn(other), (Pair{0, 0}));
    waveInMessage(h, DRVM_IN_DISABLE_LEVELING, 0, 0);
    m_clock->Advance(100);
    EXPECT_EQ(ReadIn(h), (Pair{0, 0}));
    waveInClose(h);
    waveInClose(other);
}

TEST_F(Levels, PeakIsTakenOverTheTimeSinceTheLastReadOnThatHandle) {
    HWAVEIN h = OpenIn(0, 0);
    waveInMessage(h, DRVM_IN_ENABLE_LEVELING, 0, 0);
    // 0.1 ms is not enough for a 1 kHz crest: within 0 to 0 ms the sine is at 0.
    EXPECT_EQ(ReadIn(h), (Pair{0, 0}));
    m_clock->Advance(1); // a whole period
    EXPECT_EQ(ReadIn(h), (Pair{20000, 10000}));
    // A loud stretch before a mute is still reported by the next read.
    m_clock->Advance(50);
    waveInMessage(h, DRVM_IN_SET_MUTE, 0xFFFFFFFF, 0);
    m_clock->Advance(50);
    EXPECT_EQ(ReadIn(h), (Pair{20000, 10000}));
    m_clock->Advance(100);
    EXPECT_EQ(ReadIn(h), (Pair{0, 0}));
    waveInClose(h);
}

TEST_F(Levels, OutputPeaksFollowSourceVolumeMuteAndMonitoring) {
    HWAVEOUT out = OpenOut(0, 1); // Analog 3-4, playing its own 50 Hz sine
    waveOutMessage(out, DRVM_OUT_ENABLE_LEVELING, 0, 0);
    m_clock->Advance(100);
    EXPECT_EQ(ReadOut(out), (Pair{30000, 30000}));
    // Under half a period of 50 Hz from a zero crossing: the crest at 5 ms is not reached by 3 ms.
    m_clock->Advance(3);
    EXPECT_EQ(ReadOut(out), (Pair{Scaled(30000 * std::sin(2 * 3.141592653589793 * 0.15), 0),
                                  Scaled(30000 * std::sin(2 * 3.141592653589793 * 0.15), 0)}));

    // Volume: position 87 (0xAE00) is 20 dB down; the right channel is muted.
    waveOutMessage(out, WODM_SETVOLUME, 0xFE00AE00, 0);
    waveOutMessage(out, DRVM_OUT_SET_MUTE, 0xFFFF0000, 0);
    m_clock->Advance(100);
    EXPECT_EQ(ReadOut(out), (Pair{3000, 0}));

    // Rec 1-2: the analog input after its gain; Play 1-2 is silent in this scenario.
    waveOutMessage(out, DRVM_OUT_SET_MUTE, 0, 0);
    waveOutMessage(out, WODM_SETVOLUME, 0xFE00FE00, 0);
    waveOutMessage(out, DRVM_OUT_SET_SOURCE, 1, 0);
    m_clock->Advance(100);
    EXPECT_EQ(ReadOut(out), (Pair{20000, 10000}));
    waveOutMessage(out, DRVM_OUT_SET_SOURCE, 0, 0);
    m_clock->Advance(100);
    EXPECT_EQ(ReadOut(out), (Pair{0, 0}));

    // Monitoring Analog 1-2 on Analog 3-4 adds the input to what the output plays.
    HWAVEIN in = OpenIn(0, 0);
    ASSERT_EQ(waveInMessage(in, DRVM_IN_SET_ROUTING, kSourceLine | 2 << 8 | 1 << 16, 0), 0u);
    m_clock->Advance(100);
    EXPECT_EQ(ReadOut(out), (Pair{20000, 10000}));
    waveInMessage(in, DRVM_IN_SET_ROUTING, kSourceLine | 2 << 8 | 0 << 16, 0);
    m_clock->Advance(100);
    EXPECT_EQ(ReadOut(out), (Pair{0, 0}));
    waveInClose(in);
    waveOutClose(out);
}

TEST_F(Levels, NoiseAndWavSignalsStayWithinTheirLevel) {
    HWAVEIN n = OpenIn(0, 1);
    waveInMessage(n, DRVM_IN_ENABLE_LEVELING, 0, 0);
    m_clock->Advance(100);
    auto lv = ReadIn(n);
    EXPECT_LE(lv[0], 5000u);
    EXPECT_GT(lv[0], 4900u);
    EXPECT_EQ(lv[0], lv[1]); // one signal object feeds both channels alike
    waveInClose(n);

    // A WAV file: a 100-sample ramp at 1 kHz rate peaking at 1234.
    std::vector<std::uint8_t> wav{'R', 'I', 'F', 'F', 0,  0, 0,   0,   'W', 'A',  'V', 'E', 'f', 'm',  't',
                                  ' ', 16,  0,   0,   0,  1, 0,   1,   0,   0xE8, 3,   0,   0,   0xD0, 7,
                                  0,   0,   2,   0,   16, 0, 'd', 'a', 't', 'a',  200, 0,   0,   0};
    for (int i = 0; i < 100; ++i) {
        int v = i == 50 ? -1234 : i;
        wav.push_back(static_cast<std::uint8_t>(v & 0xFF));
        wav.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    }
    {
        std::ofstream f(m_dir / "ramp.wav", std::ios::binary);
        f.write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
    }
    // A relative file name is taken from the scenario's folder.
    auto scenario = Scenario::FromJson(
        R"({"cards": [{"signals": {"in": [{"type": "wav", "file": "ramp.wav"}]}}]})", m_dir.string());
    const Signal& s = scenario.cards[0].inputs[0].right;
    ASSERT_EQ(s.kind, Signal::Kind::Wav);
    EXPECT_EQ(s.Peak(0, 10), 10.0);
    EXPECT_EQ(s.Peak(45, 55), 1234.0);
    EXPECT_EQ(s.Peak(140, 160), 1234.0); // looped
    EXPECT_EQ(s.Peak(0, 5000), 1234.0);
    EXPECT_THROW(WavData::Parse({'R', 'I', 'F', 'F'}, "short"), std::runtime_error);
}

TEST(NoiseSignal, PeaksAreReproducibleNestedAndBoundedByTheLevel) {
    Signal a = Signal::Noise(8000, 3), b = Signal::Noise(8000, 3), other = Signal::Noise(8000, 4);
    bool differs = false;
    for (std::uint64_t t = 0; t < 2000; t += 37) {
        double p = a.Peak(t, t + 20);
        EXPECT_EQ(p, b.Peak(t, t + 20)); // same seed, same answer
        differs = differs || p != other.Peak(t, t + 20);
        EXPECT_GT(p, 0.0);
        EXPECT_LE(p, 8000.0);
        // A window holds at least the peak of every window inside it.
        EXPECT_GE(a.Peak(t, t + 200), p);
        EXPECT_GE(p, a.Peak(t + 5, t + 10));
        EXPECT_GE(p, a.Peak(t + 20, t + 20));
    }
    EXPECT_TRUE(differs);
    // One millisecond holds about 44 samples, so its peak is already near the level; a second nearer still.
    double sum = 0;
    for (std::uint64_t t = 0; t < 1000; ++t)
        sum += a.Peak(t, t);
    EXPECT_NEAR(sum / 1000, 8000.0 * 44.1 / 45.1, 40.0);
    EXPECT_GT(a.Peak(0, 1000), 7990.0);
    // A window far longer than a second stays cheap and in range; reversed bounds mean the same window.
    EXPECT_LE(a.Peak(0, 100'000'000'000ull), 8000.0);
    EXPECT_EQ(a.Peak(300, 100), a.Peak(100, 300));
    EXPECT_EQ(Signal::Noise(0, 3).Peak(0, 100), 0.0);
}

TEST(WavSignal, PeakOverAnyWindowIsTheLargestSampleInIt) {
    // 1000 samples at 1 kHz (one per ms) of a fixed pseudo-random pattern, with the extremes in odd places.
    constexpr int kFrames = 1000;
    std::vector<std::uint8_t> b{'R',  'I', 'F', 'F', 0, 0, 0,  0, 'W', 'A', 'V',  'E', 'f', 'm',
                                't',  ' ', 16,  0,   0, 0, 1,  0, 1,   0,   0xE8, 3,   0,   0,
                                0xD0, 7,   0,   0,   2, 0, 16, 0, 'd', 'a', 't',  'a'};
    for (int shift : {0, 8, 16, 24})
        b.push_back(static_cast<std::uint8_t>((kFrames * 2) >> shift & 0xFF));
    std::vector<int> samples(kFrames);
    std::uint32_t x = 12345;
    for (int i = 0; i < kFrames; ++i) {
        x = x * 1103515245u + 12345u;
        samples[i] = static_cast<int>(x >> 16) % 20000 - 10000;
    }
    samples[130] = -32768;
    samples[511] = 32767;
    samples[999] = -25000;
    for (int v : samples) {
        b.push_back(static_cast<std::uint8_t>(v & 0xFF));
        b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    }
    Signal s;
    s.kind = Signal::Kind::Wav;
    s.wav = WavData::Parse(b, "pattern");
    ASSERT_EQ(s.wav->channels[0].size(), static_cast<std::size_t>(kFrames));
    auto brute = [&](std::uint64_t t0, std::uint64_t t1) {
        int peak = 0;
        for (std::uint64_t n = t0; n <= t1; ++n)
            peak = std::max(peak, std::abs(samples[n % kFrames]));
        return static_cast<double>(peak);
    };
    // Windows starting and ending inside, on and across block edges and the loop point.
    for (std::uint64_t t0 :
         {0ull, 1ull, 63ull, 64ull, 100ull, 129ull, 131ull, 500ull, 950ull, 990ull, 1999ull})
        for (std::uint64_t len : {0ull, 1ull, 62ull, 63ull, 64ull, 65ull, 127ull, 128ull, 300ull, 998ull})
            EXPECT_EQ(s.Peak(t0, t0 + len), brute(t0, t0 + len)) << t0 << " + " << len;
}
