#include "emu/Signal.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>

namespace emu {
namespace {

constexpr double kNoiseSamplesPerMs = 44.1;
// A peak over more than a second is as good as the peak over a second.
constexpr std::uint64_t kMaxScanMs = 1000;

std::uint32_t Hash(std::uint32_t seed, std::uint64_t n) {
    std::uint64_t x = n * 0x9E3779B97F4A7C15ull ^ (static_cast<std::uint64_t>(seed) << 32 | seed);
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBull;
    x ^= x >> 31;
    return static_cast<std::uint32_t>(x);
}

double SinePeak(const Signal& s, std::uint64_t t0, std::uint64_t t1) {
    if (s.level <= 0) return 0;
    // Cycles at a time in ms; kept as fractions of a cycle to stay precise over long runs.
    auto cycles = [&](std::uint64_t t) {
        double c = std::fmod(s.freq * static_cast<double>(t % 1000000000ull) / 1000.0, 1.0);
        return c + s.phase / 360.0;
    };
    auto value = [&](std::uint64_t t) {
        return std::abs(s.level * std::sin(2 * std::numbers::pi * cycles(t)));
    };
    if (s.freq <= 0) return value(t1);
    // |sin| repeats every half cycle, so an interval of half a cycle holds a crest.
    if (s.freq * static_cast<double>(t1 - t0) / 1000.0 >= 0.5) return s.level;
    // Crests lie where 2 * cycles - 0.5 is a whole number.
    double u0 = 2 * cycles(t0) - 0.5;
    double u1 = u0 + 2 * s.freq * static_cast<double>(t1 - t0) / 1000.0;
    if (std::floor(u1) >= std::ceil(u0)) return s.level;
    return std::max(value(t0), value(t1));
}

// Noise is drawn per millisecond rather than per sample: the largest |x| of k uniform samples has the
// distribution of u^(1/k) for one uniform u, so a millisecond's peak takes one hash instead of 44, and
// the largest u of a window gives the window's peak with a single pow (it is monotonic).
double NoisePeak(const Signal& s, std::uint64_t t0, std::uint64_t t1) {
    if (s.level <= 0) return 0;
    if (t1 - t0 >= kMaxScanMs) t0 = t1 - kMaxScanMs + 1;
    std::uint32_t top = 0;
    for (std::uint64_t m = t0; m <= t1; ++m)
        top = std::max(top, Hash(s.seed, m));
    double u = (static_cast<double>(top) + 1.0) / 4294967296.0; // (0, 1]
    return std::pow(u, 1.0 / kNoiseSamplesPerMs) * s.level;
}

double WavPeak(const Signal& s, std::uint64_t t0, std::uint64_t t1) {
    if (!s.wav || s.wav->channels.empty()) return 0;
    int ch = std::min<int>(s.wavChannel, static_cast<int>(s.wav->channels.size()) - 1);
    const auto& samples = s.wav->channels[ch];
    if (samples.empty()) return 0;
    std::uint64_t len = samples.size();
    auto rate = static_cast<std::uint64_t>(s.wav->rate);
    std::uint64_t n0 = t0 * rate / 1000, n1 = t1 * rate / 1000;
    if (n1 - n0 + 1 >= len) return s.wav->peaks[ch];
    const std::vector<int>& blocks = s.wav->blockPeaks[ch];
    constexpr std::uint64_t kBlock = WavData::kBlock;
    int peak = 0;
    // The window in the file's own positions, in at most two pieces where the loop starts over.
    auto scan = [&](std::uint64_t a, std::uint64_t b) { // a <= b < len
        while (a <= b) {
            if (a % kBlock == 0 && a + kBlock - 1 <= b) {
                peak = std::max(peak, blocks[a / kBlock]);
                a += kBlock;
            } else {
                peak = std::max(peak, std::abs(static_cast<int>(samples[a])));
                ++a;
            }
        }
    };
    std::uint64_t a = n0 % len, b = n1 % len;
    if (a <= b) {
        scan(a, b);
    } else {
        scan(a, len - 1);
        scan(0, b);
    }
    return peak;
}

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t Le16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

} // namespace

Signal Signal::Sine(double level, double freq, double phase) {
    Signal s;
    s.kind = Kind::Sine;
    s.level = level;
    s.freq = freq;
    s.phase = phase;
    return s;
}

Signal Signal::Noise(double level, std::uint32_t seed) {
    Signal s;
    s.kind = Kind::Noise;
    s.level = level;
    s.seed = seed;
    return s;
}

double Signal::Peak(std::uint64_t t0Ms, std::uint64_t t1Ms) const {
    if (t1Ms < t0Ms) std::swap(t0Ms, t1Ms);
    switch (kind) {
    case Kind::Silence:
        return 0;
    case Kind::Sine:
        return SinePeak(*this, t0Ms, t1Ms);
    case Kind::Noise:
        return NoisePeak(*this, t0Ms, t1Ms);
    case Kind::Wav:
        return WavPeak(*this, t0Ms, t1Ms);
    }
    return 0;
}

std::shared_ptr<const WavData> WavData::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("WAV file \"" + path + "\" cannot be opened");
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return Parse(bytes, "WAV file \"" + path + "\"");
}

std::shared_ptr<const WavData> WavData::Parse(const std::vector<std::uint8_t>& b, const std::string& what) {
    auto fail = [&](const std::string& why) { throw std::runtime_error(what + ": " + why); };
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0)
        fail("not a RIFF WAVE file");
    int channels = 0, bits = 0, rate = 0;
    bool haveFormat = false;
    auto data = std::make_shared<WavData>();
    for (std::size_t at = 12; at + 8 <= b.size();) {
        std::uint32_t size = Le32(b, at + 4);
        std::size_t body = at + 8;
        if (size > b.size() - body) fail("chunk runs past the end of the file");
        if (std::memcmp(b.data() + at, "fmt ", 4) == 0) {
            if (size < 16) fail("format chunk too short");
            if (Le16(b, body) != 1) fail("not PCM");
            channels = Le16(b, body + 2);
            rate = static_cast<int>(Le32(b, body + 4));
            bits = Le16(b, body + 14);
            if (bits != 16) fail("not 16-bit");
            if (channels < 1 || channels > 8 || rate < 1000 || rate > 384000)
                fail("unusable channels or rate");
            haveFormat = true;
        } else if (std::memcmp(b.data() + at, "data", 4) == 0) {
            if (!haveFormat) fail("data before the format chunk");
            std::size_t frames = size / (2 * static_cast<std::size_t>(channels));
            if (frames == 0) fail("no samples");
            data->rate = rate;
            data->channels.assign(channels, std::vector<std::int16_t>(frames));
            data->peaks.assign(channels, 0);
            data->blockPeaks.assign(channels,
                                    std::vector<int>((frames + WavData::kBlock - 1) / WavData::kBlock, 0));
            for (std::size_t f = 0; f < frames; ++f)
                for (int c = 0; c < channels; ++c) {
                    auto v = static_cast<std::int16_t>(Le16(b, body + (f * channels + c) * 2));
                    data->channels[c][f] = v;
                    const int level = std::abs(static_cast<int>(v));
                    data->peaks[c] = std::max(data->peaks[c], std::min(32767, level));
                    int& block = data->blockPeaks[c][f / WavData::kBlock];
                    block = std::max(block, level);
                }
            return data;
        }
        at = body + size + (size & 1);
    }
    fail("no data chunk");
    return nullptr;
}

} // namespace emu
