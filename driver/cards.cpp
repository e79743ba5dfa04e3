#include "driver/cards.h"

#include "driver/ctrl.h"
#include "toolkit/Types.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace krvl {

void TCardTable::Clear() {
    waveInIds.fill(-1);
    waveOutIds.fill(-1);
    devnodes.fill(-1);
    devnodeRead.fill(false);
    waveInFound = 0;
    waveOutFound = 0;
    // Set only once cards are counted: a discovery that stops with an error has found none.
    cardsFound = false;
}

bool TCardTable::IsDevnodeOf(int card, DWORD devnode) const {
    return card >= 0 && card < cardCount && devnodeRead[card] &&
           static_cast<DWORD>(devnodes[card]) == devnode;
}

TCardTable& CardTable() {
    static TCardTable table;
    return table;
}

namespace {

std::string TrimBlanks(const std::string& s) {
    std::size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

int ToInteger(const std::string& text) {
    const char* p = text.c_str();
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(p, &end, 10);
    bool digitFirst = !text.empty() && (std::isdigit(static_cast<unsigned char>(text[0])) ||
                                        ((text[0] == '-' || text[0] == '+') && text.size() > 1 &&
                                         std::isdigit(static_cast<unsigned char>(text[1]))));
    if (!digitFirst || *end != 0 || errno == ERANGE || v < INT_MIN || v > INT_MAX)
        throw tk::Exception("'" + text + "' ist kein gültiger Integerwert");
    return static_cast<int>(v);
}

// What the digital name rule compares with the numerals: at most three characters from the start of
// the last word (trailing blanks passed over, but taken along after a short word).
std::string TakenNumeral(const std::string& name) {
    std::size_t l = name.size(); // counted from 1: name[l - 1] is character l
    while (l > 1 && name[l - 1] == ' ')
        --l;
    while (l > 1 && name[l - 1] != ' ')
        --l;
    return l < name.size() ? name.substr(l, 3) : "";
}

// The card index of the numeral, or -1 for none.
int NumeralIndex(const std::string& taken) {
    for (int i = 0; i < kMaxCards; ++i)
        if (taken == kCardNumerals[i]) return i;
    return -1;
}

// A digital name that matches no numeral but ends in one past IV (V, VI, XIII, ...) numbers a card
// the table has no room for; the name rule alone would give it card 0, whose Digital devices it would
// then replace.
bool NamesACardPastTheTable(const std::string& name) {
    if (NumeralIndex(TakenNumeral(name)) >= 0) return false;
    std::size_t end = name.find_last_not_of(' ');
    if (end == std::string::npos) return false;
    std::size_t begin = name.find_last_of(' ', end);
    begin = begin == std::string::npos ? 0 : begin + 1;
    std::string word = name.substr(begin, end + 1 - begin);
    return word.find_first_not_of("IVXLCDM") == std::string::npos && NumeralIndex(word) < 0;
}

// The table index a device stands for, or -1 for a device to pass over.
int IndexOf(WORD pid, const char* name, WORD analogPid, WORD digitalPid) {
    int index = -1;
    if (pid == analogPid) {
        int pair = 0;
        int card = AnalogDevNameToCard(name, pair);
        index = card * kPairsPerCard + pair;
    } else if (pid == digitalPid && !NamesACardPastTheTable(name)) {
        index = DigitalDevNameToCard(name) * kPairsPerCard + kDigitalPair;
    }
    // Channel numbers of a fifth card would land past the table: such a device is not ours to keep.
    return index >= 0 && index < kTableSize ? index : -1;
}

// Every card counted has all its devices, each way. A gap in the card numbers or a card listed twice
// counts cards that are not there.
bool EveryCountedCardComplete(const TCardTable& t) {
    for (int i = 0; i < t.cardCount * kPairsPerCard; ++i)
        if (t.waveInIds[i] < 0 || t.waveOutIds[i] < 0) return false;
    return true;
}

} // namespace

int AnalogDevNameToCard(const std::string& name, int& pair, int channelsPerCard) {
    auto dash = name.rfind('-');
    if (dash == std::string::npos) throw tk::Exception("DevNameChannelPairToCardId: Separator not found.");
    int n = ToInteger(TrimBlanks(name.substr(dash + 1, 255)));
    int c = n - 2;
    pair = (c % channelsPerCard) / 2;
    return c / channelsPerCard;
}

int DigitalDevNameToCard(const std::string& name) {
    return std::max(NumeralIndex(TakenNumeral(name)), 0);
}

void DiscoverCards() {
    TCardTable& t = CardTable();
    t.Clear();

    for (UINT id = 0, n = waveInGetNumDevs(); id < n; ++id) {
        WAVEINCAPSA caps{};
        if (waveInGetDevCapsA(id, &caps, sizeof caps) != MMSYSERR_NOERROR || caps.wMid != kManufacturerId)
            continue;
        caps.szPname[MAXPNAMELEN - 1] = 0;
        int index = IndexOf(caps.wPid, caps.szPname, kPidAnalogIn, kPidDigitalIn);
        if (index < 0) continue;
        t.waveInIds[index] = static_cast<std::int32_t>(id);
        ++t.waveInFound;
    }
    for (UINT id = 0, n = waveOutGetNumDevs(); id < n; ++id) {
        WAVEOUTCAPSA caps{};
        if (waveOutGetDevCapsA(id, &caps, sizeof caps) != MMSYSERR_NOERROR || caps.wMid != kManufacturerId)
            continue;
        caps.szPname[MAXPNAMELEN - 1] = 0;
        int index = IndexOf(caps.wPid, caps.szPname, kPidAnalogOut, kPidDigitalOut);
        if (index < 0) continue;
        t.waveOutIds[index] = static_cast<std::int32_t>(id);
        ++t.waveOutFound;
    }

    // Devices counted twice (same index) could claim more cards than the table has.
    t.cardCount = std::min((t.waveInFound + t.waveOutFound) / 6, kMaxCards);
    // Counted cards without their devices are no usable cards: the program says so and ends, rather
    // than running on with windows that cannot open.
    if (!EveryCountedCardComplete(t)) t.cardCount = 0;
    t.cardsFound = t.cardCount >= 1;
    if (!t.cardsFound) return;

    SharedBlock block(4);
    if (!block) return;
    for (int card = 0; card < t.cardCount; ++card) {
        CtrlHandle<HWAVEOUT> handle;
        OpenCtrlOut(nullptr, card * kPairsPerCard + PairOffset(0), handle.Ref());
        // Cleared for each card, and kept only from an answer: a refused read is no devnode, and
        // certainly not the previous card's.
        block.SetInt(0, 0);
        if (!SendCtrl(handle.Get(), DRVM_OUT_GET_DEVNODE, block.Address())) continue;
        t.devnodes[card] = block.Int(0);
        t.devnodeRead[card] = true;
    }
}

} // namespace krvl
