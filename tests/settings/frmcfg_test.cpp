// The settings dialog built directly on a configuration record: the slice accessor, what loading shows
// and keeps, the rate field's keys, and the handlers that the scripts do not reach.
#include "settings/frmCfg.h"

#include "controls/Class_b.h"
#include "system/sys.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/StdCtrls.h"

#include <gtest/gtest.h>

#include <array>

using namespace krvl;

namespace {

struct Dialog : ::testing::Test {
    std::array<BYTE, kConfigRecordSize> record{};
    ~Dialog() override { sys::ResetSystem(); }
    void Put(int card, DWORD offset, std::int32_t value) {
        TCardConfig slice;
        slice.Assign(record.data() + card * kConfigSliceSize);
        slice.SetInt(offset, value);
        std::copy(slice.Data(), slice.Data() + kConfigSliceSize, record.begin() + card * kConfigSliceSize);
    }
    tk::TOwned<TdlgCfg> Open(int card = 0, int count = 2) {
        return tk::Make<TdlgCfg>(record.data(), card, count);
    }
};

} // namespace

TEST(CardConfig, FieldsAreLittleEndianFlagsAreAllBitsAndNothingOutsideTheSliceIsReached) {
    TCardConfig cfg;
    cfg.SetInt(136, 44100);
    EXPECT_EQ(cfg.Data()[136], 0x44);
    EXPECT_EQ(cfg.Data()[137], 0xAC);
    EXPECT_EQ(cfg.Data()[138], 0);
    EXPECT_EQ(cfg.Int(136), 44100);
    cfg.SetFlag(8, true);
    EXPECT_EQ(cfg.Int(8), -1);
    cfg.SetInt(12, 7);
    EXPECT_TRUE(cfg.Flag(12));
    cfg.SetFlag(12, false);
    EXPECT_EQ(cfg.Int(12), 0);
    cfg.SetInt(196, 5); // the last field
    EXPECT_EQ(cfg.Int(196), 5);
    EXPECT_THROW(cfg.Int(197), tk::Exception);
    EXPECT_THROW(cfg.SetInt(200, 1), tk::Exception);
    EXPECT_THROW(cfg.SetFlag(0xFFFFFFFE, true), tk::Exception);
}

TEST_F(Dialog, ACardIndexOutsideTheRecordIsRefused) {
    EXPECT_THROW(Open(4, 4), tk::Exception);
    EXPECT_THROW(Open(2, 2), tk::Exception);
    EXPECT_THROW(Open(0, 5), tk::Exception);
    EXPECT_THROW(tk::Make<TdlgCfg>(nullptr, 0, 1), tk::Exception);
}

TEST_F(Dialog, OpensWithTheCardsCaptionAndUnchanged) {
    Put(1, 136, 48000);
    auto dlg = Open(1, 3);
    EXPECT_EQ(dlg->Caption(), "Korvalin Einstellungen Karte #2");
    EXPECT_EQ(dlg->ClientWidth(), 414);
    EXPECT_EQ(dlg->ClientHeight(), 372);
    EXPECT_EQ(dlg->pgMain->TabWidth(), 120);
    EXPECT_EQ(dlg->edDefaultRate->Text(), "48000");
    EXPECT_TRUE(dlg->btnNext->Enabled());
    EXPECT_FALSE(dlg->btnApply->Enabled());
    EXPECT_EQ(dlg->boxDevices->Items()[0], "Kein Gerät verfügbar");
}

TEST_F(Dialog, ThePairButtonsShowClockAndStartStopOfTheirPair) {
    Put(0, 60, 1);      // Analog 1-2 plays on the digital input clock
    Put(0, 52 + 32, 5); // Analog 3-4 records started by the ZadeRar (any non-zero)
    Put(0, 60 + 64, 2); // Digital plays on the ZadeRar clock
    Put(0, 48 + 64, -1);
    auto dlg = Open();
    auto checked = [&](const char* name) { return dlg->ComponentByName<tk::TRadioButton>(name).Checked(); };
    EXPECT_TRUE(checked("btnDigInClock1"));
    EXPECT_FALSE(checked("btnInternal1"));
    EXPECT_TRUE(checked("btnInternal2"));
    EXPECT_TRUE(checked("btnRecZadeRar2"));
    EXPECT_FALSE(checked("btnRecAutonom2"));
    EXPECT_TRUE(checked("btnZadeRarClock3"));
    EXPECT_TRUE(checked("btnPlayZadeRar3"));
    EXPECT_TRUE(checked("btnRecAutonom3"));
    // Flags read as non-zero are written back as -1; an analog pair's record clock follows its clock.
    EXPECT_EQ(dlg->CardConfig().Int(52 + 32), -1);
    EXPECT_EQ(dlg->CardConfig().Int(56), 1);
    EXPECT_EQ(dlg->CardConfig().Int(56 + 64), 0);
    EXPECT_FALSE(dlg->btnApply->Enabled());
}

TEST_F(Dialog, TheZadeRarClockChoiceIsOnlyOpenToAMaster) {
    Put(0, 12, 1);
    auto dlg = Open();
    EXPECT_FALSE(dlg->chkMaster->Checked());
    EXPECT_FALSE(dlg->chkZadeRarClock_Internal->Enabled());
    EXPECT_FALSE(dlg->chkZadeRarClock_DINP->Enabled());
    EXPECT_TRUE(dlg->chkZadeRarClock_DINP->Checked());
    dlg->chkMaster->SetChecked(true);
    EXPECT_TRUE(dlg->chkZadeRarClock_Internal->Enabled());
    EXPECT_EQ(dlg->CardConfig().Int(8), -1);
    dlg->chkZadeRarClock_Internal->PerformClick();
    EXPECT_EQ(dlg->CardConfig().Int(12), 0);
    EXPECT_TRUE(dlg->btnApply->Enabled());
}

// The lists select after the box is checked, and selecting in code raises no change: the stored fields
// must survive the load as they are.
TEST_F(Dialog, ARestrictedFormatLoadsWithoutBeingOverwritten) {
    Put(0, 164, 48000);
    Put(0, 168, 1);
    auto dlg = Open();
    EXPECT_TRUE(dlg->chkRestricted->Checked());
    EXPECT_EQ(dlg->boxRestrictedRate->Text(), "48000 Hz");
    EXPECT_EQ(dlg->boxRestrictedRes->Text(), "8 bit");
    EXPECT_EQ(dlg->CardConfig().Int(164), 48000);
    EXPECT_EQ(dlg->CardConfig().Int(168), 1);

    Put(0, 164, 32000); // not one of the list's rates
    Put(0, 168, 0);
    auto other = Open();
    EXPECT_TRUE(other->chkRestricted->Checked());
    EXPECT_EQ(other->boxRestrictedRate->ItemIndex(), -1);
    EXPECT_EQ(other->CardConfig().Int(164), 32000);
    EXPECT_EQ(other->CardConfig().Int(168), 0);
}

TEST_F(Dialog, WithoutARestrictionTheListsAreOffAndShowTheUsualFormat) {
    auto dlg = Open();
    EXPECT_FALSE(dlg->chkRestricted->Checked());
    EXPECT_FALSE(dlg->boxRestrictedRate->Enabled());
    EXPECT_FALSE(dlg->lbstereo->Enabled());
    EXPECT_EQ(dlg->boxRestrictedRate->Text(), "44100 Hz");
    EXPECT_EQ(dlg->boxRestrictedRes->Text(), "16 bit");
    EXPECT_EQ(dlg->boxDevices->ItemIndex(), 1); // offset 176 holds 0 here: Analog 1-2
    EXPECT_FALSE(dlg->boxDevices->Enabled());
}

TEST_F(Dialog, TheMessageBoxesShowTheInverseOfTheDriversFlags) {
    Put(0, 28, -1);
    auto dlg = Open();
    EXPECT_FALSE(dlg->chkNoMsgRate->Checked());
    EXPECT_TRUE(dlg->chkNoMsgDevConflict->Checked()); // offset 32 is 0
    dlg->chkNoMsgRate->SetChecked(true);
    EXPECT_EQ(dlg->CardConfig().Int(28), 0);
    dlg->chkNoMsgRate->SetChecked(false);
    EXPECT_EQ(dlg->CardConfig().Int(28), -1);
    dlg->chkNoMsgDevConflict->SetChecked(false);
    EXPECT_EQ(dlg->CardConfig().Int(32), -1);
    EXPECT_TRUE(dlg->btnApply->Enabled());
}

TEST_F(Dialog, OnlyDigitsAndBackspaceReachTheRate) {
    Put(0, 136, 44100);
    auto dlg = Open();
    dlg->Show();
    dlg->edDefaultRate->SetFocus(); // selects the whole text
    for (char c : std::string("a2-2 0x55\b0"))
        dlg->DispatchKey(WM_CHAR, static_cast<BYTE>(c), 0);
    EXPECT_EQ(dlg->edDefaultRate->Text(), "22050");
}

TEST_F(Dialog, AnInvalidRateStopsApplyAndBringsItsPageAndField) {
    Put(0, 136, 0); // whatever the driver held
    auto dlg = Open();
    dlg->Show();
    dlg->pgMain->SetActivePage(dlg->tabDsnd);
    EXPECT_FALSE(dlg->Apply());
    EXPECT_TRUE(dlg->RateInvalid());
    EXPECT_EQ(dlg->edDefaultRate->Color(), tk::clRed);
    EXPECT_EQ(dlg->pgMain->ActivePage(), dlg->tabClock);
    EXPECT_EQ(dlg->ActiveControl(), dlg->edDefaultRate);
    EXPECT_EQ(sys::RecordedBeeps().size(), 1u);
    EXPECT_EQ(dlg->CardConfig().Int(136), 0); // nothing stored

    dlg->edDefaultRate->SetText("22050");
    EXPECT_FALSE(dlg->RateInvalid());
    EXPECT_EQ(dlg->edDefaultRate->Color(), tk::clWindow);
}
