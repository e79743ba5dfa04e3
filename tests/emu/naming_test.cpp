// Device naming: the manager's discovery rules must find every card and pair from the names alone.
#include "EmuTest.h"

#include <map>
#include <stdexcept>

using namespace emu_test;

namespace {

// The manager's analog rule: the number after the last "-" gives card and pair.
std::pair<int, int> AnalogRule(const std::string& name) {
    auto dash = name.rfind('-');
    if (dash == std::string::npos) throw std::runtime_error("Separator not found.");
    int c = std::stoi(name.substr(dash + 1)) - 2;
    return {c / 4, (c % 4) / 2};
}

// The manager's digital rule: the last word, at most three characters, as a Roman numeral.
int DigitalRule(const std::string& name) {
    std::size_t L = name.size();
    while (L > 1 && name[L - 1] == ' ')
        --L;
    while (L > 1 && name[L - 1] != ' ')
        --L;
    std::string word = name.substr(L, 3);
    const char* roman[] = {"I", "II", "III", "IV"};
    for (int i = 0; i < 4; ++i)
        if (word == roman[i]) return i;
    return 0;
}

// Discovery as the manager does it: table index card * 3 + pair, per direction.
std::map<int, UINT> Discover(sys::WaveDir dir) {
    std::map<int, UINT> table;
    UINT n = dir == sys::WaveDir::In ? waveInGetNumDevs() : waveOutGetNumDevs();
    for (UINT id = 0; id < n; ++id) {
        WAVEOUTCAPSA caps{};
        if (dir == sys::WaveDir::In)
            EXPECT_EQ(waveInGetDevCapsA(id, reinterpret_cast<WAVEINCAPSA*>(&caps), sizeof(WAVEINCAPSA)), 0u);
        else
            EXPECT_EQ(waveOutGetDevCapsA(id, &caps, sizeof caps), 0u);
        EXPECT_LE(std::strlen(caps.szPname), 31u);
        if (caps.wMid != 190) continue;
        WORD analog = dir == sys::WaveDir::In ? 37 : 38, digital = dir == sys::WaveDir::In ? 39 : 40;
        if (caps.wPid == analog) {
            auto [card, pair] = AnalogRule(caps.szPname);
            table[card * 3 + pair] = id;
        } else if (caps.wPid == digital) {
            table[DigitalRule(caps.szPname) * 3 + 2] = id;
        }
    }
    return table;
}

class Naming : public EmuTest {};

} // namespace

TEST_F(Naming, EveryCardAndPairRoundTripsThroughTheNameRules) {
    for (auto order : {emu::DeviceOrder::Interleaved, emu::DeviceOrder::ByCard}) {
        for (int n = 1; n <= 4; ++n) {
            SCOPED_TRACE("cards " + std::to_string(n));
            TearDown();
            SetUp();
            emu::Scenario s = emu::Scenario::WithCards(n);
            s.order = order;
            auto& e = Install(s);
            for (auto dir : {sys::WaveDir::In, sys::WaveDir::Out}) {
                auto table = Discover(dir);
                ASSERT_EQ(table.size(), static_cast<std::size_t>(3 * n));
                for (auto [index, id] : table) {
                    int card = index / 3, pair = index % 3;
                    ASSERT_LT(card, n);
                    // The device found for (card, pair) is the one that card answers on with that pair.
                    auto handles = e.Handles().size();
                    std::uintptr_t h = 0;
                    ControlFormat f;
                    MMRESULT r = dir == sys::WaveDir::In
                                     ? waveInOpen(reinterpret_cast<HWAVEIN*>(&h), id, &f.wfx, 0, 0, 0)
                                     : waveOutOpen(reinterpret_cast<HWAVEOUT*>(&h), id, &f.wfx, 0, 0, 0);
                    ASSERT_EQ(r, 0u);
                    auto info = e.Handles().back();
                    EXPECT_EQ(e.Handles().size(), handles + 1);
                    EXPECT_EQ(info.card, card);
                    EXPECT_EQ(info.pair, pair);
                    if (dir == sys::WaveDir::In)
                        waveInClose(reinterpret_cast<HWAVEIN>(h));
                    else
                        waveOutClose(reinterpret_cast<HWAVEOUT>(h));
                }
            }
        }
    }
}

TEST_F(Naming, DefaultOrderInterleavesCardsAndNamesCountChannelsAcrossCards) {
    Install(emu::Scenario::WithCards(2));
    std::vector<std::string> names;
    for (UINT id = 0; id < waveOutGetNumDevs(); ++id) {
        WAVEOUTCAPSA caps{};
        ASSERT_EQ(waveOutGetDevCapsA(id, &caps, sizeof caps), 0u);
        names.push_back(caps.szPname);
        EXPECT_EQ(caps.wPid, id < 4 ? 38 : 40);
    }
    std::vector<std::string> expected{"Korvalin Analog Out 1-2", "Korvalin Analog Out 5-6",
                                      "Korvalin Analog Out 3-4", "Korvalin Analog Out 7-8",
                                      "Korvalin Digital Out I",  "Korvalin Digital Out II"};
    EXPECT_EQ(names, expected);
    WAVEINCAPSA in{};
    ASSERT_EQ(waveInGetDevCapsA(5, &in, sizeof in), 0u);
    EXPECT_STREQ(in.szPname, "Korvalin Digital In II");
    EXPECT_EQ(in.wPid, 39);
    ASSERT_EQ(waveInGetDevCapsA(0, &in, sizeof in), 0u);
    EXPECT_EQ(in.wPid, 37);
    EXPECT_EQ(emu::DeviceName(sys::WaveDir::Out, 3, 1), "Korvalin Analog Out 15-16");
}

TEST_F(Naming, ScenarioDeviceListReplacesTheGeneratedOneAndForeignDevicesFollow) {
    auto& e = InstallJson(R"({
        "cards": [{}],
        "devices": [
            {"direction": "out", "mid": 1, "pid": 2, "name": "Other Maker Out"},
            {"direction": "out", "mid": 190, "pid": 38, "name": "Card Out 3-4", "card": 1},
            {"direction": "in", "mid": 190, "pid": 39, "name": "Card Dig In I", "card": 1},
            {"direction": "out", "mid": 190, "pid": 37, "name": "Stray", "card": 1, "pair": 1}
        ],
        "foreign_devices": [{"direction": "in", "mid": 2, "pid": 9, "name": "Foreign In"}]
    })");
    EXPECT_EQ(waveOutGetNumDevs(), 3u);
    EXPECT_EQ(waveInGetNumDevs(), 2u);
    WAVEINCAPSA in{};
    ASSERT_EQ(waveInGetDevCapsA(1, &in, sizeof in), 0u);
    EXPECT_STREQ(in.szPname, "Foreign In");
    EXPECT_EQ(in.wMid, 2);

    // Nobody answers on a device without a card.
    HWAVEOUT h{};
    ControlFormat f;
    EXPECT_EQ(waveOutOpen(&h, 0, &f.wfx, 0, 0, 0), MMSYSERR_NODRIVER);
    // The pair of an analog device follows its name; a digital product id means the digital pair.
    ASSERT_EQ(waveOutOpen(&h, 1, &f.wfx, 0, 0, 0), 0u);
    EXPECT_EQ(e.Handles().back().pair, 1);
    HWAVEIN hi{};
    ASSERT_EQ(waveInOpen(&hi, 0, &f.wfx, 0, 0, 0), 0u);
    EXPECT_EQ(e.Handles().back().pair, 2);
    ASSERT_EQ(waveOutOpen(&h, 2, &f.wfx, 0, 0, 0), 0u);
    EXPECT_EQ(e.Handles().back().pair, 1);
}
