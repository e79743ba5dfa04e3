// The signal model behind the level meters: what each input and playback device carries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace emu {

// A 16-bit PCM WAV file held in memory, one sample vector per channel.
struct WavData {
    int rate{};
    std::vector<std::vector<std::int16_t>> channels;
    std::vector<int> peaks; // largest |sample| per channel
    // Largest |sample| of each run of kBlock samples per channel (the last run may be shorter), so a
    // window's peak takes a look per block rather than per sample.
    static constexpr std::size_t kBlock = 64;
    std::vector<std::vector<int>> blockPeaks;

    // Throws std::runtime_error naming the file and what is wrong with it.
    static std::shared_ptr<const WavData> Load(const std::string& path);
    static std::shared_ptr<const WavData> Parse(const std::vector<std::uint8_t>& bytes,
                                                const std::string& what);
};

struct Signal {
    enum class Kind { Silence, Sine, Noise, Wav };

    Kind kind{Kind::Silence};
    double level{};    // peak amplitude, 0 to 32767 (sine, noise)
    double freq{1000}; // Hz (sine)
    double phase{};    // degrees at time 0 (sine)
    std::uint32_t seed{1};
    std::shared_ptr<const WavData> wav;
    int wavChannel{}; // channel of the file this signal plays (a mono file plays channel 0 everywhere)

    static Signal Silence() { return {}; }
    static Signal Sine(double level, double freq, double phase = 0);
    static Signal Noise(double level, std::uint32_t seed = 1);

    // Largest |x(t)| for t in [t0Ms, t1Ms] (continuous for a sine, per sample for a WAV, per millisecond
    // for noise); t0Ms == t1Ms gives the value at that instant (for noise: that millisecond's peak).
    double Peak(std::uint64_t t0Ms, std::uint64_t t1Ms) const;
};

struct StereoSignal {
    Signal left;
    Signal right;
    const Signal& Channel(int ch) const { return ch == 0 ? left : right; }
};

} // namespace emu
