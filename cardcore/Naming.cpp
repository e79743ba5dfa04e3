#include "cardcore/Naming.h"

#include "system/krvl_protocol.h"

namespace cardcore {

std::string DeviceName(sys::WaveDir dir, int card, int pair) {
    using namespace krvl::proto;
    if (card < 0 || card >= kMaxCards || pair < 0 || pair >= kPairsPerCard) return {};
    std::string kind = dir == sys::WaveDir::In ? "In" : "Out";
    if (pair == kDigitalPair) return "Korvalin Digital " + kind + " " + kCardNumerals[card];
    int first = card * kAnalogChannelsPerCard + pair * 2 + 1;
    return "Korvalin Analog " + kind + " " + std::to_string(first) + "-" + std::to_string(first + 1);
}

} // namespace cardcore
