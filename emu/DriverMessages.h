// The card driver's private messages, product ids and record sizes, as the emulated driver answers them.
#pragma once

#include "system/win32.h"

namespace emu {

constexpr WORD kManufacturerId = 190;
constexpr WORD kPidAnalogIn = 37;
constexpr WORD kPidAnalogOut = 38;
constexpr WORD kPidDigitalIn = 39;
constexpr WORD kPidDigitalOut = 40;

constexpr int kMaxCards = 4;
constexpr int kPairs = 3; // Analog 1-2, Analog 3-4, Digital
constexpr int kDigitalPair = 2;

constexpr UINT DRVM_OUT_GET_MUTE = DRV_USER + 1;
constexpr UINT DRVM_OUT_SET_MUTE = DRV_USER + 2;
constexpr UINT DRVM_OUT_ENABLE_LEVELING = DRV_USER + 7;
constexpr UINT DRVM_OUT_DISABLE_LEVELING = DRV_USER + 8;
constexpr UINT DRVM_OUT_GET_LEVELS = DRV_USER + 9;
constexpr UINT DRVM_OUT_GET_SOURCE = DRV_USER + 10;
constexpr UINT DRVM_OUT_SET_SOURCE = DRV_USER + 11;
constexpr UINT DRVM_OUT_GET_DIGITAL_STATUS = DRV_USER + 13;
constexpr UINT DRVM_OUT_SET_DIGITAL_FORMAT = DRV_USER + 14;
constexpr UINT DRVM_OUT_REGISTER_NOTIFY = DRV_USER + 15;
constexpr UINT DRVM_OUT_UNREGISTER_NOTIFY = DRV_USER + 16;
constexpr UINT DRVM_OUT_GET_DEVNODE = DRV_USER + 17;
constexpr UINT DRVM_IN_GET_GAIN = DRV_USER + 50;
constexpr UINT DRVM_IN_SET_GAIN = DRV_USER + 51;
constexpr UINT DRVM_IN_GET_ROUTING = DRV_USER + 52;
constexpr UINT DRVM_IN_SET_ROUTING = DRV_USER + 53;
constexpr UINT DRVM_IN_ENABLE_LEVELING = DRV_USER + 56;
constexpr UINT DRVM_IN_DISABLE_LEVELING = DRV_USER + 57;
constexpr UINT DRVM_IN_GET_LEVELS = DRV_USER + 58;
constexpr UINT DRVM_IN_GET_MUTE = DRV_USER + 66;
constexpr UINT DRVM_IN_SET_MUTE = DRV_USER + 67;

// Event classes of a notification record.
constexpr WORD kNotifyVolume = 0x0100;
constexpr WORD kNotifyMute = 0x0200;
constexpr WORD kNotifySource = 0x0400;
constexpr DWORD kNotifyRecordSize = 14;

// Configuration requests.
constexpr DWORD kStateRecordSize = 20;
constexpr DWORD kConfigRecordSize = 800;
constexpr DWORD kConfigSliceSize = 200;

// Routing record bytes.
constexpr BYTE kSourceOptical = 1;
constexpr BYTE kSourceXlr = 2;
constexpr BYTE kSourceDigitalCd = 3;
constexpr BYTE kSourceCoaxial = 4;
constexpr BYTE kSourceCd = 5;
constexpr BYTE kSourceLine = 6;

} // namespace emu
