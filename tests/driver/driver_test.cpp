#include "driver/cards.h"
#include "driver/config.h"
#include "driver/ctrl.h"
#include "driver/msg.h"
#include "fake_card.h"
#include "toolkit/Types.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>

using namespace krvl;

namespace {

class Driver : public ::testing::Test {
protected:
    void SetUp() override {
        card = std::make_shared<fake::Card>();
        sys::RegisterWaveDriver(card);
    }
    void TearDown() override {
        CardTable() = TCardTable{};
        sys::ResetSystem();
    }
    std::shared_ptr<fake::Card> card;
};

// ---- error messages ----------------------------------------------------------------------------------

TEST_F(Driver, ErrorTextsByForm) {
    MessageRecord r;
    ASSERT_TRUE(ComposeDriverError(3, -2, nullptr, r));
    EXPECT_EQ(r.text, "Die Hardware der Korvalin Karte #3 konnte nicht initialisiert werden. \r\n"
                      "Fehler beim Lesen der Datei RBT Datei.");
    EXPECT_EQ(r.caption, "Korvalin Fehler");
    EXPECT_EQ(r.style, MB_ICONERROR);

    ASSERT_TRUE(ComposeDriverError(0, -27, nullptr, r));
    EXPECT_EQ(r.text,
              "Der Korvalin Treiber konnte nicht initialisiert werden. \r\nFalsche Version des Moduls "
              "KRVL.VXD\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.");
    EXPECT_EQ(r.caption, "Korvalin Initialisierungsfehler");

    ASSERT_TRUE(ComposeDriverError(0, -49, nullptr, r));
    EXPECT_EQ(r.text, "Das Gerät  konnte nicht geöffnet werden. \r\nFehler bei I/O Operation mit Kernel."
                      "\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.");

    ASSERT_TRUE(ComposeDriverError(0, -53, nullptr, r));
    EXPECT_EQ(r.style, MB_ICONINFORMATION);
    EXPECT_EQ(r.caption, "Korvalin Warnung");
    EXPECT_NE(r.text.find("\"%s\""), std::string::npos); // no device: the format text as it stands

    for (int id : {-9, 2, -62}) {
        ASSERT_TRUE(ComposeDriverError(1, id, nullptr, r));
        EXPECT_EQ(r.text, "Undefined ErrId");
        EXPECT_EQ(r.caption, "Internal Error");
        EXPECT_EQ(r.style, MB_ICONERROR);
    }
    for (int id : {1, 0, -50})
        EXPECT_FALSE(ComposeDriverError(1, id, nullptr, r));
}

TEST_F(Driver, DeviceRecordsFillTheirTextsWithoutBeingInterpreted) {
    BYTE raw[DeviceRecord::kSize]{};
    const char name[] = "Analog %s%d 1-2";
    raw[4] = sizeof name - 1;
    std::memcpy(raw + 5, name, sizeof name - 1);
    std::int32_t asked = 96000, other = 44100;
    std::memcpy(raw + 84, &asked, 4);
    std::memcpy(raw + 100, &other, 4);
    DeviceRecord dev{raw};
    MessageRecord r;
    ASSERT_TRUE(ComposeDriverError(0, -54, &dev, r));
    EXPECT_EQ(r.text,
              "Die für das Gerät \"Analog %s%d 1-2\" geforderte Samplerate von 96000 Hz kann nicht "
              "bereitgestellt werden.\r\nDer externe Clock entspricht einer Samplerate von 44100 Hz.");
    ASSERT_TRUE(ComposeDriverError(0, -55, &dev, r));
    EXPECT_EQ(r.text.substr(0, 38), "Das Gerät \"Analog %s%d 1-2\" konnte ni");

    raw[4] = 255; // a length byte that claims more than the record holds
    ASSERT_TRUE(ComposeDriverError(0, -55, &dev, r));
    EXPECT_LT(r.text.size(), 200u);
}

TEST_F(Driver, ShowDriverErrorShowsOneBoxOrNone) {
    EXPECT_EQ(ShowDriverError(2, -24), 1);
    EXPECT_EQ(ShowDriverError(2, 1), 0);
    auto boxes = sys::RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(boxes[0].caption, "Korvalin Initialisierungsfehler");
    EXPECT_EQ(boxes[0].text.substr(0, 35), "Die Hardware der Korvalin Karte #2 ");
}

// ---- name rules and discovery ---------------------------------------------------------------------------

TEST_F(Driver, AnalogNameRule) {
    struct Case {
        int n, card, pair;
    } cases[] = {{2, 0, 0}, {4, 0, 1}, {6, 1, 0}, {16, 3, 1}, {1, 0, 0}, {0, 0, -1}};
    for (auto c : cases) {
        int pair = 99;
        EXPECT_EQ(AnalogDevNameToCard(
                      "Korvalin Analog " + std::to_string(c.n - 1) + "- " + std::to_string(c.n) + "  ", pair),
                  c.card)
            << c.n;
        EXPECT_EQ(pair, c.pair) << c.n;
    }
    int pair = 0;
    try {
        AnalogDevNameToCard("Korvalin Analog", pair);
        FAIL();
    } catch (const tk::Exception& e) {
        EXPECT_STREQ(e.what(), "DevNameChannelPairToCardId: Separator not found.");
    }
    EXPECT_THROW(AnalogDevNameToCard("Analog 1-x2", pair), tk::Exception);
    EXPECT_THROW(AnalogDevNameToCard("Analog 1-", pair), tk::Exception);
}

TEST_F(Driver, DigitalNameRule) {
    EXPECT_EQ(DigitalDevNameToCard("Korvalin Digital I"), 0);
    EXPECT_EQ(DigitalDevNameToCard("Korvalin Digital II"), 1);
    EXPECT_EQ(DigitalDevNameToCard("Korvalin Digital III  "), 2);
    EXPECT_EQ(DigitalDevNameToCard("Korvalin Digital IV"), 3);
    EXPECT_EQ(DigitalDevNameToCard("Korvalin Digital V"), 0);
    EXPECT_EQ(DigitalDevNameToCard("Korvalin Digital IIIX"), 2); // a long last word is cut to three
    EXPECT_EQ(DigitalDevNameToCard("Korvalin Digital IVX"), 0);
    EXPECT_EQ(DigitalDevNameToCard("Korvalin Digital ii"), 0); // case matters
    EXPECT_EQ(DigitalDevNameToCard("Digital II "), 0);         // a short word takes the blank after it along
    EXPECT_EQ(DigitalDevNameToCard("Digital I  x"), 0);
    EXPECT_EQ(DigitalDevNameToCard("XIII"), 2); // no blank: characters 2 to 4
    EXPECT_EQ(DigitalDevNameToCard(""), 0);
}

TEST_F(Driver, DiscoveryFillsTheTableAndReadsDevnodesFromAnalogOneTwoOut) {
    card->devices = fake::Card::TwoCards();
    card->devices.insert(card->devices.begin(), {sys::WaveDir::Out, 1, 2, "Other Card 1-2"});
    card->devices.push_back({sys::WaveDir::In, 190, 41, "Korvalin Midi 1-2"});
    DiscoverCards();
    const auto& t = CardTable();
    EXPECT_EQ(t.cardCount, 2);
    EXPECT_TRUE(t.cardsFound);
    for (int i = 0; i < 6; ++i) {
        EXPECT_GE(t.waveInIds[i], 0) << i;
        EXPECT_GE(t.waveOutIds[i], 0) << i;
    }
    for (int i = 6; i < 12; ++i) {
        EXPECT_EQ(t.waveInIds[i], -1);
        EXPECT_EQ(t.waveOutIds[i], -1);
    }
    EXPECT_EQ(t.waveOutIds[0], 1); // after the foreign device
    EXPECT_EQ(t.waveOutIds[5], 6);
    EXPECT_EQ(t.devnodes[0], 0x1000);
    EXPECT_EQ(t.devnodes[1], 0x1001);
    EXPECT_EQ(t.devnodes[2], -1);
    ASSERT_EQ(card->opens.size(), 2u);
    for (auto& o : card->opens) {
        EXPECT_EQ(o.dir, sys::WaveDir::Out);
        EXPECT_EQ(o.extra, "CTRL");
        EXPECT_EQ(o.flags, CALLBACK_NULL);
    }
    EXPECT_EQ(card->closes.size(), 2u);
    EXPECT_EQ(sys::LiveBlocks16(), 0u);
    EXPECT_EQ(sys::OpenWaveHandles(), 0u);
}

TEST_F(Driver, DiscoveryCountsSixDevicesACard) {
    auto all = fake::Card::TwoCards();
    card->devices.assign(all.begin(), all.begin() + 5); // card 1 without its digital wave-out
    DiscoverCards();
    EXPECT_EQ(CardTable().cardCount, 0);
    EXPECT_FALSE(CardTable().cardsFound);
    EXPECT_TRUE(card->opens.empty());

    card->devices.assign(all.begin(), all.begin() + 7);
    DiscoverCards();
    EXPECT_EQ(CardTable().cardCount, 1);
}

TEST_F(Driver, AFifthCardsChannelsAreIgnored) {
    card->devices = fake::Card::TwoCards();
    card->devices.push_back({sys::WaveDir::In, 190, 37, "Korvalin Analog 17-18"});
    card->devices.push_back({sys::WaveDir::Out, 190, 38, "Korvalin Analog 19-20"});
    DiscoverCards();
    EXPECT_EQ(CardTable().waveInFound, 6);
    EXPECT_EQ(CardTable().waveOutFound, 6);
}

TEST_F(Driver, AFifthCardsDigitalDevicesLeaveTheFirstCardsInPlace) {
    card->devices = fake::Card::TwoCards();
    card->devices.push_back({sys::WaveDir::In, kManufacturerId, kPidDigitalIn, "Korvalin Digital V"});
    card->devices.push_back({sys::WaveDir::Out, kManufacturerId, kPidDigitalOut, "Korvalin Digital VI "});
    card->devices.push_back({sys::WaveDir::Out, kManufacturerId, kPidDigitalOut, "Digital XIII"});
    card->devices.push_back({sys::WaveDir::In, kManufacturerId, kPidDigitalIn, "Digital II "});
    DiscoverCards();
    const auto& t = CardTable();
    EXPECT_EQ(t.waveInFound, 7); // but a name that matches no numeral still counts as card 1's
    EXPECT_EQ(t.waveInIds[kDigitalPair], 7);
    EXPECT_EQ(t.waveOutFound, 6);
    EXPECT_EQ(t.waveOutIds[kDigitalPair], 2); // card 1's own Digital device
    EXPECT_EQ(t.cardCount, 2);
}

TEST_F(Driver, ADevnodeIsKeptOnlyFromAnAnswerAndAnUnreadOneMatchesNothing) {
    card->devices = fake::Card::TwoCards();
    for (auto& d : card->devices)
        if (d.devnode == 0x1001) d.refuseDevnode = true; // the second card's driver refuses
    DiscoverCards();
    const auto& t = CardTable();
    ASSERT_EQ(t.cardCount, 2);
    EXPECT_EQ(t.devnodes[0], 0x1000);
    EXPECT_EQ(t.devnodes[1], -1); // not the first card's value left in the block
    EXPECT_TRUE(t.IsDevnodeOf(0, 0x1000));
    EXPECT_FALSE(t.IsDevnodeOf(1, 0x1000));
    EXPECT_FALSE(t.IsDevnodeOf(1, 0xFFFFFFFFu)); // a notice for devnode -1 is not the unread card's
    EXPECT_FALSE(t.IsDevnodeOf(2, 0xFFFFFFFFu)); // nor a card that was not found
    EXPECT_EQ(card->closes.size(), 2u);

    // A driver may well number a card -1; read, it matches.
    for (auto& d : card->devices) {
        d.refuseDevnode = false;
        if (d.devnode == 0x1001) d.devnode = 0xFFFFFFFFu;
    }
    DiscoverCards();
    EXPECT_TRUE(CardTable().IsDevnodeOf(1, 0xFFFFFFFFu));
}

TEST_F(Driver, AGapInTheCardsOrACardListedTwiceLeavesNoCardFound) {
    auto two = fake::Card::TwoCards();
    // The first and the third card: the second is counted but not there.
    card->devices = two;
    for (auto& d : card->devices) {
        if (d.devnode != 0x1001) continue;
        if (d.pid == kPidDigitalIn || d.pid == kPidDigitalOut)
            d.name = "Korvalin Digital III";
        else
            d.name = d.name.ends_with("5-6") ? "Korvalin Analog 9-10" : "Korvalin Analog 11-12";
    }
    DiscoverCards();
    EXPECT_EQ(CardTable().waveInIds[6], 3); // the third card's devices were found
    EXPECT_FALSE(CardTable().cardsFound);
    EXPECT_EQ(CardTable().cardCount, 0);
    EXPECT_TRUE(card->opens.empty()); // no devnode read on a card that is not there

    // The first card twice over: twelve devices, one card.
    card->devices.assign(two.begin(), two.begin() + 6);
    card->devices.insert(card->devices.end(), two.begin(), two.begin() + 6);
    DiscoverCards();
    EXPECT_FALSE(CardTable().cardsFound);
    EXPECT_EQ(CardTable().cardCount, 0);
    EXPECT_TRUE(card->opens.empty());
}

TEST_F(Driver, AMalformedAnalogNameStopsDiscoveryWithItsError) {
    card->devices = fake::Card::TwoCards();
    card->devices[1].name = "Korvalin Analog";
    EXPECT_THROW(DiscoverCards(), tk::Exception);
    EXPECT_EQ(CardTable().waveInIds[0], 0); // what was entered before stays
    EXPECT_EQ(CardTable().cardCount, 0);
    EXPECT_FALSE(CardTable().cardsFound);
}

// ---- control opens ----------------------------------------------------------------------------------

TEST_F(Driver, ControlOpensCloseAndMessages) {
    card->devices = fake::Card::TwoCards();
    DiscoverCards();
    card->opens.clear();

    HWAVEIN in[4]{};
    OpenCtrlRange(nullptr, 1, in, 0, 1, 0, 1); // Analog 3-4 of both cards, two handles each
    ASSERT_EQ(card->opens.size(), 4u);
    EXPECT_EQ(card->opens[0].localId, static_cast<UINT>(CardTable().waveInIds[1]));
    EXPECT_EQ(card->opens[1].localId, static_cast<UINT>(CardTable().waveInIds[1]));
    EXPECT_EQ(card->opens[2].localId, static_cast<UINT>(CardTable().waveInIds[4]));
    for (auto* h : in)
        EXPECT_NE(h, nullptr);

    EXPECT_TRUE(SendCtrl(in[0], DRVM_IN_SET_GAIN, PackStereo(100 << 8, 90 << 8)));
    EXPECT_EQ(card->messages.back(), (std::pair<UINT, DWORD_PTR>{DRVM_IN_SET_GAIN, 0x5A006400}));
    EXPECT_FALSE(SendCtrl(reinterpret_cast<HWAVEIN>(0x77), DRVM_IN_SET_GAIN, 0));

    card->refuseClose = true;
    CloseCtrlHandles(4, in);
    for (auto* h : in)
        EXPECT_NE(h, nullptr); // refused closes keep their handles
    card->refuseClose = false;
    in[1] = nullptr;
    auto before = card->closes.size();
    CloseCtrlHandles(4, in);
    EXPECT_EQ(card->closes.size(), before + 3); // a zero handle is passed over
    for (auto* h : in)
        EXPECT_EQ(h, nullptr);
}

TEST_F(Driver, AFailedOrImpossibleOpenRaisesTheSilentAbort) {
    card->devices = fake::Card::TwoCards();
    DiscoverCards();
    card->opens.clear();
    HWAVEOUT h{};
    EXPECT_THROW(OpenCtrlOut(nullptr, 6, h), tk::EAbort); // card 3 is not there
    EXPECT_TRUE(card->opens.empty());
    card->refuseOpen = true;
    EXPECT_THROW(OpenCtrlOut(nullptr, 0, h), tk::EAbort);
    EXPECT_EQ(card->opens.size(), 1u);
}

TEST_F(Driver, SharedBlocksFreeThemselves) {
    {
        SharedBlock a(8);
        ASSERT_TRUE(a);
        a.SetInt(4, -1);
        EXPECT_EQ(a.Int(4), -1);
        EXPECT_EQ(a.Int(6), 0); // past the end reads nothing
        SharedBlock b = std::move(a);
        EXPECT_FALSE(a);
        EXPECT_EQ(sys::LiveBlocks16(), 1u);
    }
    EXPECT_EQ(sys::LiveBlocks16(), 0u);
    EXPECT_FALSE(SharedBlock(0x20000));
}

TEST_F(Driver, SharedBlockOffsetsFarPastTheEndReadAndWriteNothing) {
    SharedBlock block(8);
    ASSERT_TRUE(block);
    for (std::size_t offset : {std::size_t{5}, std::size_t{9}, SIZE_MAX - 1, SIZE_MAX - 3, SIZE_MAX}) {
        block.SetInt(offset, -1);
        EXPECT_EQ(block.Int(offset), 0) << offset;
    }
    EXPECT_EQ(block.Int(0), 0);
    EXPECT_EQ(block.Int(4), 0);
}

TEST_F(Driver, ABlockWithoutAFlatAddressIsNotUsable) {
    sys::SetFlatAddressFault([](DWORD size) { return size == 8; });
    SharedBlock levels(8);
    SharedBlock word(4);
    EXPECT_FALSE(levels);
    EXPECT_NE(levels.Address(), 0u);
    EXPECT_EQ(levels.Int(0), 0);
    EXPECT_TRUE(word);
    levels.Release();
    EXPECT_EQ(sys::LiveBlocks16(), 1u); // freed although it never had a flat pointer
}

// ---- configuration requests --------------------------------------------------------------------------

struct Host {
    std::vector<std::string> lines;
    std::vector<BYTE> sent; // the record of the last "setconfig"
    std::int32_t reconfigurable = 1;
    bool complete = true;
};

void InstallHost(Host& host) {
    sys::RegisterShellProgram("rundll.exe", [&host](const std::string& params) {
        host.lines.push_back(params);
        char req[32];
        unsigned data = 0, done = 0;
        if (std::sscanf(params.c_str(), "KRVL.DRV,DriverConfig %31s $%8X #%8X", req, &data, &done) != 3)
            return;
        std::string name = req;
        if (name == "reconfigurable")
            sys::AccessVdm16(data, 4, [&](BYTE* p) { std::memcpy(p, &host.reconfigurable, 4); });
        if (name == "setconfig")
            sys::AccessVdm16(data, kConfigRecordSize,
                             [&](BYTE* p) { host.sent.assign(p, p + kConfigRecordSize); });
        if (name == "getstates")
            sys::AccessVdm16(data, 20, [](BYTE* p) {
                std::int32_t rec[5] = {1, 1, -24, 0, -30};
                std::memcpy(p, rec, 20);
            });
        if (host.complete)
            sys::AccessVdm16(done, 4, [](BYTE* p) {
                std::int32_t one = 1;
                std::memcpy(p, &one, 4);
            });
    });
}

TEST_F(Driver, ConfigRequestSendsTheExactCommandLineAndCopiesTheRecordBack) {
    Host host;
    InstallHost(host);
    std::int32_t states[5]{};
    ASSERT_TRUE(ConfigRequest(1, CFG_GETSTATES, states, sizeof states));
    sys::JoinShellPrograms();
    ASSERT_EQ(host.lines.size(), 1u);
    unsigned data = 0, done = 0;
    char name[32];
    ASSERT_EQ(std::sscanf(host.lines[0].c_str(), "KRVL.DRV,DriverConfig %31s $%8X #%8X", name, &data, &done),
              3);
    EXPECT_STREQ(name, "getstates");
    char expected[80];
    std::snprintf(expected, sizeof expected, "KRVL.DRV,DriverConfig getstates $%08X #%08X", data, done);
    EXPECT_EQ(host.lines[0], expected);
    EXPECT_EQ(data & 0xFFFF, 0u);
    EXPECT_NE(data, done);
    EXPECT_EQ(states[2], -24);
    EXPECT_EQ(states[4], -30);
    EXPECT_EQ(sys::LiveBlocks16(), 0u);

    std::int32_t dummy = 5;
    ASSERT_TRUE(ConfigRequest(1, CFG_SETCONFIG_ONTHEFLY, &dummy, 4));
    sys::JoinShellPrograms();
    EXPECT_EQ(host.lines.back().substr(0, 41), "KRVL.DRV,DriverConfig setconfig_onthefly ");
}

TEST_F(Driver, ConfigRequestsThatCannotRun) {
    Host host;
    InstallHost(host);
    BYTE record[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_FALSE(ConfigRequest(1, 0x4006, record, sizeof record));
    EXPECT_FALSE(ConfigRequest(0, CFG_GETCONFIG, record, sizeof record));
    sys::JoinShellPrograms();
    EXPECT_TRUE(host.lines.empty());
    EXPECT_EQ(record[7], 8);
    EXPECT_EQ(sys::LiveBlocks16(), 0u);

    sys::ResetSystem(); // no rundll host at all
    EXPECT_FALSE(ConfigRequest(1, CFG_GETCONFIG, record, sizeof record));
    EXPECT_EQ(record[0], 1);
}

TEST_F(Driver, AHostThatNeverAnswersTimesOut) {
    Host host;
    host.complete = false;
    InstallHost(host);
    SetConfigRequestTimeout(50);
    std::int32_t value = 0;
    EXPECT_FALSE(ConfigRequest(1, CFG_RECONFIGURABLE, &value, 4));
    SetConfigRequestTimeout(10000);
    sys::JoinShellPrograms();
    EXPECT_EQ(sys::LiveBlocks16(), 0u);
}

TEST_F(Driver, TheCompletionWordCountsOnlyOnceTheHostsLockedWriteIsOver) {
    // The host sets the word first and finishes its answer within the same locked access: a request
    // that read the word without the lock would copy the record back before the answer is in.
    sys::RegisterShellProgram("rundll.exe", [](const std::string& params) {
        unsigned data = 0, done = 0;
        char req[32];
        if (std::sscanf(params.c_str(), "KRVL.DRV,DriverConfig %31s $%8X #%8X", req, &data, &done) != 3)
            return;
        auto* record = static_cast<BYTE*>(sys::ResolveVdm16(data, 4));
        sys::AccessVdm16(done, 4, [&](BYTE* p) {
            std::int32_t one = 1;
            std::memcpy(p, &one, 4);
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            std::int32_t answer = 1;
            std::memcpy(record, &answer, 4);
        });
    });
    std::int32_t value = 0;
    EXPECT_TRUE(ConfigRequest(1, CFG_RECONFIGURABLE, &value, 4));
    EXPECT_EQ(value, 1);
    sys::JoinShellPrograms();
}

TEST_F(Driver, VirtualTimeDoesNotMoveWhileARequestWaits) {
    auto& clock = sys::UseVirtualClock();
    Host host;
    InstallHost(host);
    std::int32_t states[5]{};
    EXPECT_TRUE(ConfigRequest(1, CFG_GETSTATES, states, sizeof states));
    EXPECT_EQ(clock.NowMs(), 0u);
}

TEST_F(Driver, WritingTheConfigurationAsksFirstAndReportsARefusal) {
    Host host;
    InstallHost(host);
    DriverLink() = 1;
    BYTE record[kConfigRecordSize]{};
    host.reconfigurable = 0;
    EXPECT_FALSE(WriteConfig(nullptr, record));
    sys::JoinShellPrograms();
    ASSERT_EQ(host.lines.size(), 1u);
    EXPECT_NE(host.lines[0].find(" reconfigurable "), std::string::npos);
    auto boxes = sys::RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Fehler");
    EXPECT_EQ(boxes[0].style, MB_ICONERROR);

    host.reconfigurable = 1;
    EXPECT_TRUE(WriteConfig(nullptr, record));
    sys::JoinShellPrograms();
    ASSERT_EQ(host.lines.size(), 3u);
    EXPECT_NE(host.lines[2].find(" setconfig $"), std::string::npos);
    EXPECT_EQ(sys::RecordedMessageBoxes().size(), 1u);
    DriverLink() = 0;
}

TEST_F(Driver, ACardSliceJoinsTheRecordOnlyOnceTheDriverAgrees) {
    Host host;
    InstallHost(host);
    DriverLink() = 1;
    BYTE record[kConfigRecordSize];
    std::memset(record, 0x11, sizeof record);
    BYTE slice[kConfigSliceSize];
    std::memset(slice, 0x22, sizeof slice);

    host.reconfigurable = 0;
    EXPECT_FALSE(WriteConfig(nullptr, record, 2, slice));
    sys::JoinShellPrograms();
    for (BYTE b : record)
        ASSERT_EQ(b, 0x11);

    host.reconfigurable = 1;
    EXPECT_TRUE(WriteConfig(nullptr, record, 2, slice));
    sys::JoinShellPrograms();
    ASSERT_EQ(host.sent.size(), kConfigRecordSize);
    for (std::size_t i = 0; i < kConfigRecordSize; ++i) {
        BYTE want = i >= 2 * kConfigSliceSize && i < 3 * kConfigSliceSize ? 0x22 : 0x11;
        ASSERT_EQ(host.sent[i], want) << "byte " << i;
        ASSERT_EQ(record[i], want) << "byte " << i;
    }
    DriverLink() = 0;
}

} // namespace
