// The driver's error ids as German message boxes.
#pragma once

#include "system/win32.h"

#include <string>

namespace krvl {

// The driver's settings cannot be changed now (error -6, and the settings dialog's refusal).
extern const char* const kSettingsLockedText;

// What a message box shows.
struct MessageRecord {
    std::string text;
    std::string caption;
    UINT style{};
};

// The subject of the device and format texts, as the driver lays it out: the device name as a
// length-prefixed string at offset 4, the asked sample rate at 84 and the other sample rate at 100.
struct DeviceRecord {
    static constexpr std::size_t kNameOffset = 4;
    static constexpr std::size_t kAskedRateOffset = 84;
    static constexpr std::size_t kOtherRateOffset = 100;
    static constexpr std::size_t kSize = 104;
    const BYTE* data{};
};

// The message an error id stands for, or false for the ids that show nothing (1, 0, -50).
// cardNumber (1 to 4, 0 for none) serves the card texts, device the device and format texts.
bool ComposeDriverError(int cardNumber, int errId, const DeviceRecord* device, MessageRecord& out);

// Shows the error's message; 1 when a box was shown, 0 when the id shows nothing.
int ShowDriverError(int cardNumber, int errId, const DeviceRecord* device = nullptr);

// A message box without owner; the button pressed is not used.
void ShowMessage(const MessageRecord& record);

} // namespace krvl
