#include "cardcore/Law.h"

#include <algorithm>
#include <cmath>

namespace cardcore {

double GainDb(WORD word) {
    int position = (word >> 8) & 0xFF;
    return (position - 128) * 0.5;
}

double GainFactor(WORD word) {
    return std::pow(10.0, GainDb(word) / 20.0);
}

WORD GainWord(double db) {
    long position = std::lround(db * 2.0 + 128.0);
    return static_cast<WORD>(std::clamp(position, 0L, 255L) << 8);
}

std::optional<double> VolumeDb(WORD word) {
    if (word == 0) return std::nullopt;
    return std::min(0.0, (word / 512.0 - 127.0) * 0.5);
}

double VolumeFactor(WORD word) {
    auto db = VolumeDb(word);
    return db ? std::pow(10.0, *db / 20.0) : 0.0;
}

WORD VolumeWord(std::optional<double> db) {
    if (!db) return 0;
    double word = (std::min(*db, 0.0) / 0.5 + 127.0) * 512.0;
    return static_cast<WORD>(std::clamp(std::lround(word), 1L, 0xFE00L));
}

DWORD ToLevel(double v) {
    return static_cast<DWORD>(std::lround(std::clamp(v, 0.0, kLevelFullScale)));
}

} // namespace cardcore
