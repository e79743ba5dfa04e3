// The peak of each channel of a pair since the last read on one handle: a read answers it and starts
// the next interval.
#pragma once

#include "system/win32.h"

#include <array>

namespace cardcore {

class PeakSinceRead {
public:
    // level on the 0 to 32767 scale.
    void Fold(int channel, double level) {
        if (level > m_peak[channel]) m_peak[channel] = level;
    }
    void Fold(const std::array<double, 2>& levels) {
        Fold(0, levels[0]);
        Fold(1, levels[1]);
    }
    std::array<double, 2> Peek() const { return m_peak; }
    std::array<DWORD, 2> Take();
    void Reset() { m_peak = {}; }

private:
    std::array<double, 2> m_peak{};
};

} // namespace cardcore
