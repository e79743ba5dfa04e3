// The settings dialog of one card: clocking and synchronisation, default rate, DirectSound latency,
// playback restrictions and the driver's conflict messages. It edits a copy of its card's slice of the
// control window's configuration record and writes it back with the configuration requests.
#pragma once

#include "driver/config.h"
#include "toolkit/Forms.h"

#include <array>
#include <cstdint>

namespace tk {
class TComboBox;
class TEdit;
class TGroupBox;
class TLabel;
class TPageControl;
class TPanel;
class TTabSheet;
class TTrackBar;
} // namespace tk

namespace controls {
class TExtButton;
class TExtCheckBox;
class TExtGroupBox;
class TExtRadioButton;
} // namespace controls

namespace krvl {

// The dialog's copy of one card slice. Every read and write of a field goes through here: integers
// little-endian at a byte offset, flags written as 0 or -1; an offset outside the slice throws.
class TCardConfig {
public:
    void Assign(const BYTE* slice);
    const BYTE* Data() const { return m_bytes.data(); }
    std::int32_t Int(DWORD offset) const;
    void SetInt(DWORD offset, std::int32_t value);
    bool Flag(DWORD offset) const { return Int(offset) != 0; }
    void SetFlag(DWORD offset, bool on) { SetInt(offset, on ? -1 : 0); }

private:
    static void Check(DWORD offset);
    std::array<BYTE, kConfigSliceSize> m_bytes{};
};

class TdlgCfg : public tk::TForm {
public:
    // config: the whole configuration record (four slices), shared by every dialog of a chain.
    TdlgCfg(tk::TComponent* owner, BYTE* config, int cardIndex, int cardCount);
    std::string ClassName() const override { return "TdlgCfg"; }

    // Validates the typed rate, then sends the record if anything changed. False when nothing could be
    // written (the rate is marked, or the driver's refusal was shown).
    bool Apply();
    const TCardConfig& CardConfig() const { return m_cardConfig; }
    int CardIndex() const { return m_cardIndex; }
    bool RateInvalid() const { return m_rateInvalid; }

    tk::TPageControl* pgMain{};
    tk::TTabSheet* tabClock{};
    tk::TTabSheet* tabDsnd{};
    tk::TTabSheet* tabMisc{};
    controls::TExtButton* btnNext{};
    controls::TExtButton* btnCancel{};
    controls::TExtButton* btnApply{};
    controls::TExtButton* btnOk{};

    // tabClock
    tk::TGroupBox* grpClock{};
    tk::TPanel* pnZadeRar{};
    controls::TExtCheckBox* chkMaster{};
    controls::TExtRadioButton* chkZadeRarClock_Internal{};
    controls::TExtRadioButton* chkZadeRarClock_DINP{};
    tk::TPanel* Panel13{};
    tk::TLabel* lbDefaultRate{};
    tk::TEdit* edDefaultRate{};
    tk::TLabel* lbDefaultRateHz{};
    controls::TExtCheckBox* chkSyncToWc{};
    tk::TPanel* pnAna1{};
    tk::TPanel* pnAna2{};
    tk::TPanel* pnDig{};
    controls::TExtRadioButton* btnInternal1{};
    controls::TExtRadioButton* btnInternal2{};
    controls::TExtRadioButton* btnInternal3{};

    // tabDsnd
    controls::TExtGroupBox* grpDsnd{};
    tk::TPanel* Panel11{};
    controls::TExtRadioButton* btnAutoLatency{};
    controls::TExtRadioButton* btnManLatency{};
    tk::TLabel* lbMs{};
    tk::TLabel* lbMsLabel{};
    tk::TTrackBar* barLatency{};
    std::array<tk::TLabel*, 11> scaleLabels{}; // lb1ms, lb10ms, ..., lb100ms
    controls::TExtCheckBox* chkWriteIsPlayCursor{};
    controls::TExtCheckBox* chkRestricted{};
    tk::TComboBox* boxRestrictedRes{};
    tk::TComboBox* boxRestrictedRate{};
    tk::TLabel* lbstereo{};
    controls::TExtCheckBox* chkRestrictedDev{};
    tk::TComboBox* boxDevices{};
    controls::TExtGroupBox* grpGsif{};
    tk::TPanel* Panel1{};
    tk::TTrackBar* tckKerning{};
    tk::TTrackBar* tckPreload{};

    // tabMisc
    controls::TExtGroupBox* ExtGroupBox2{};
    tk::TPanel* Panel16{};
    controls::TExtCheckBox* chkNoMsgRate{};
    controls::TExtCheckBox* chkNoMsgDevConflict{};
    controls::TExtButton* btnInfo{};

private:
    void BindHandlers();
    void FetchControls();
    void LoadControls();
    void LoadPairButtons(tk::TPanel& pairPanel);
    void Changed();

    void FormShow(tk::TObject* sender);
    void FormClose(tk::TObject* sender, tk::TCloseAction& action);
    void btnApplyClick(tk::TObject* sender);
    void btnOkClick(tk::TObject* sender);
    void btnCancelClick(tk::TObject* sender);
    void btnNextClick(tk::TObject* sender);
    void btnInfoClick(tk::TObject* sender);

    void edDefaultRateKeyPress(tk::TObject* sender, char& key);
    void edDefaultRateChange(tk::TObject* sender);
    void edDefaultRateExit(tk::TObject* sender);
    void chkMasterClick(tk::TObject* sender);
    void chkZadeRarClockClick(tk::TObject* sender);
    void SyncToWc(tk::TObject* sender);
    void btnDevClock_Click(tk::TObject* sender);
    void StartStopRecClick(tk::TObject* sender);
    void StartStopPlayClick(tk::TObject* sender);

    void btnAutoLatencyClick(tk::TObject* sender);
    void btnManLatencyClick(tk::TObject* sender);
    void barLatencyChange(tk::TObject* sender);
    void chkWriteIsPlayCursorClick(tk::TObject* sender);
    void UpdateRestrictedRate();
    void UpdateRestrictedRes();
    void chkRestrictedClick(tk::TObject* sender);
    void boxRestrictedRateChange(tk::TObject* sender);
    void boxRestrictedResChange(tk::TObject* sender);
    void chkRestrictedDevClick(tk::TObject* sender);
    void boxDevicesChange(tk::TObject* sender);
    void chkNoMsgRateClick(tk::TObject* sender);
    void chkNoMsgDevConflictClick(tk::TObject* sender);

    BYTE* m_image{};
    int m_cardIndex{};
    int m_cardCount{};
    TCardConfig m_cardConfig;
    bool m_applyOnClose{};
    bool m_rateInvalid{};
};

} // namespace krvl
