#include "cardcore/Naming.h"

namespace cardcore {

std::string DeviceName(sys::WaveDir dir, int card, int pair) {
    static const char* roman[] = {"I", "II", "III", "IV"};
    if (card < 0 || card >= 4 || pair < 0 || pair >= 3) return {};
    std::string kind = dir == sys::WaveDir::In ? "In" : "Out";
    if (pair == 2) return "Korvalin Digital " + kind + " " + roman[card];
    int first = card * 4 + pair * 2 + 1;
    return "Korvalin Analog " + kind + " " + std::to_string(first) + "-" + std::to_string(first + 1);
}

} // namespace cardcore
