// Control handles on the card's wave devices, the private driver messages and the shared blocks that
// carry their records.
#pragma once

#include "system/win32.h"

#include <cstdint>
#include <cstring>

namespace krvl {

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

// Event classes of a notification record and the messages the driver posts for them.
constexpr WORD kNotifyVolume = 0x0100;
constexpr WORD kNotifyMute = 0x0200;
constexpr WORD kNotifySource = 0x0400;
constexpr std::size_t kNotifyRecordSize = 14;

#pragma pack(push, 1)
// The format of a control open: plain PCM, marked by four extra bytes.
struct CtrlOpenFormat {
    WAVEFORMATEX wfx{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 4};
    char extra[4]{'C', 'T', 'R', 'L'};
};

struct NotifyRecord {
    WORD eventClass;
    WORD window;
    WORD message;
    DWORD lParam;
    BYTE reserved[4]; // the driver's own; records sit 14 bytes apart
};
#pragma pack(pop)
static_assert(sizeof(CtrlOpenFormat) == 22);
static_assert(sizeof(NotifyRecord) == kNotifyRecordSize);

// Routing record of an input pair.
struct Routing {
    BYTE source{};
    BYTE monitorPair{};
    BYTE monitorMode{};
    BYTE spare{};
    DWORD Packed() const {
        return source | monitorPair << 8 | monitorMode << 16 | static_cast<DWORD>(spare) << 24;
    }
    static Routing Unpack(DWORD v) {
        return {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16),
                static_cast<BYTE>(v >> 24)};
    }
};

// Left in the low word, right in the high word.
constexpr DWORD PackStereo(WORD left, WORD right) {
    return left | static_cast<DWORD>(right) << 16;
}

enum class Direction { In, Out };

// A 16-bit global block shared with the driver: its 16:16 address goes in messages, its flat pointer
// is where the program reads and writes. Freed when the owner goes.
class SharedBlock {
public:
    SharedBlock() = default;
    explicit SharedBlock(DWORD size, WORD flags = GMEM_ZEROINIT);
    ~SharedBlock();
    SharedBlock(SharedBlock&& other) noexcept;
    SharedBlock& operator=(SharedBlock&& other) noexcept;
    SharedBlock(const SharedBlock&) = delete;
    SharedBlock& operator=(const SharedBlock&) = delete;

    // Usable only with both addresses.
    explicit operator bool() const { return m_address && m_flat; }
    DWORD Address() const { return m_address; }
    BYTE* Flat() const { return static_cast<BYTE*>(m_flat); }
    DWORD Size() const { return m_size; }
    std::int32_t Int(std::size_t offset) const;
    void SetInt(std::size_t offset, std::int32_t value);
    void Release();

private:
    DWORD m_address{};
    void* m_flat{};
    DWORD m_size{};
};

// One control open of a card table device (index card × 3 + pair); -1 in the table counts as
// MMSYSERR_BADDEVICEID without asking the system. Any failure raises the silent abort.
void OpenCtrlIn(HWND callback, int tableIndex, HWAVEIN& handle);
void OpenCtrlOut(HWND callback, int tableIndex, HWAVEOUT& handle);

// Control opens of channel pair p for cards first..last and channels first..last, stored one after
// the other in that order.
void OpenCtrlRange(HWND callback, int pair, HWAVEIN* handles, int firstCard, int lastCard, int firstChannel,
                   int lastChannel);
void OpenCtrlRange(HWND callback, int pair, HWAVEOUT* handles, int firstCard, int lastCard, int firstChannel,
                   int lastChannel);

// Closes every non-zero handle; a handle becomes 0 only when its close succeeded.
void CloseCtrlHandles(int count, HWAVEIN* handles);
void CloseCtrlHandles(int count, HWAVEOUT* handles);

// One message with dwParam2 = 0; true exactly when the driver answered MMSYSERR_NOERROR.
bool SendCtrl(HWAVEIN handle, UINT msg, DWORD param);
bool SendCtrl(HWAVEOUT handle, UINT msg, DWORD param);

// Owns control handles and closes them when it goes; for short exchanges.
template <class H> class CtrlHandle {
public:
    CtrlHandle() = default;
    ~CtrlHandle() { CloseCtrlHandles(1, &m_handle); }
    CtrlHandle(const CtrlHandle&) = delete;
    CtrlHandle& operator=(const CtrlHandle&) = delete;
    H& Ref() { return m_handle; }
    H Get() const { return m_handle; }

private:
    H m_handle{};
};

} // namespace krvl
