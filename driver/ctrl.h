// Control handles on the card's wave devices, the driver messages sent on them and the shared blocks
// that carry their records (the protocol itself: system/krvl_protocol.h).
#pragma once

#include "system/krvl_protocol.h"
#include "system/win32.h"

#include <cstddef>
#include <cstdint>

namespace krvl {

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
