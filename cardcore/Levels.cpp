#include "cardcore/Levels.h"

#include "cardcore/Law.h"

namespace cardcore {

std::array<DWORD, 2> PeakSinceRead::Take() {
    std::array<DWORD, 2> answer{ToLevel(m_peak[0]), ToLevel(m_peak[1])};
    m_peak = {};
    return answer;
}

} // namespace cardcore
