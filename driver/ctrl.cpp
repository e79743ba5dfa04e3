#include "driver/ctrl.h"

#include "driver/cards.h"
#include "toolkit/Types.h"

#include <cstring>
#include <utility>

namespace krvl {

SharedBlock::SharedBlock(DWORD size, WORD flags) : m_size(size) {
    HGLOBAL16 h = 0;
    m_address = WOWGlobalAllocLock16(flags, size, &h);
    if (m_address) m_flat = WOWGetVDMPointerFix(m_address, size, TRUE);
}

SharedBlock::~SharedBlock() {
    Release();
}

SharedBlock::SharedBlock(SharedBlock&& other) noexcept
    : m_address(std::exchange(other.m_address, 0)), m_flat(std::exchange(other.m_flat, nullptr)),
      m_size(std::exchange(other.m_size, 0)) {}

SharedBlock& SharedBlock::operator=(SharedBlock&& other) noexcept {
    if (this != &other) {
        Release();
        m_address = std::exchange(other.m_address, 0);
        m_flat = std::exchange(other.m_flat, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

void SharedBlock::Release() {
    if (!m_address) return;
    if (m_flat) WOWGetVDMPointerUnfix(m_address);
    WOWGlobalUnlockFree16(m_address);
    m_address = 0;
    m_flat = nullptr;
}

namespace {
// Written so that no offset, however large, wraps around.
bool Holds(DWORD size, std::size_t offset, std::size_t n) {
    return offset <= size && size - offset >= n;
}
} // namespace

std::int32_t SharedBlock::Int(std::size_t offset) const {
    std::int32_t v = 0;
    if (m_flat && Holds(m_size, offset, sizeof v)) std::memcpy(&v, Flat() + offset, sizeof v);
    return v;
}

void SharedBlock::SetInt(std::size_t offset, std::int32_t value) {
    if (m_flat && Holds(m_size, offset, sizeof value)) std::memcpy(Flat() + offset, &value, sizeof value);
}

namespace {

template <class H, class OpenFn>
void OpenCtrl(HWND callback, int tableIndex, H& handle, const std::int32_t* ids, OpenFn open) {
    static const CtrlOpenFormat format{};
    MMRESULT result = MMSYSERR_BADDEVICEID;
    std::int32_t id = tableIndex >= 0 && tableIndex < kTableSize ? ids[tableIndex] : -1;
    if (id != -1) {
        DWORD flags = callback ? CALLBACK_WINDOW : CALLBACK_NULL;
        result = open(&handle, static_cast<UINT>(id), &format.wfx, reinterpret_cast<DWORD_PTR>(callback), 0,
                      flags);
    }
    if (result != MMSYSERR_NOERROR) tk::Abort();
}

template <class H>
void OpenRange(HWND callback, int pair, H* handles, int firstCard, int lastCard, int firstChannel,
               int lastChannel, void (*one)(HWND, int, H&)) {
    int n = 0;
    for (int c = firstCard; c <= lastCard; ++c)
        for (int k = firstChannel; k <= lastChannel; ++k)
            one(callback, c * kPairsPerCard + PairOffset(pair) + k / 2, handles[n++]);
}

} // namespace

void OpenCtrlIn(HWND callback, int tableIndex, HWAVEIN& handle) {
    OpenCtrl(callback, tableIndex, handle, CardTable().waveInIds.data(), waveInOpen);
}

void OpenCtrlOut(HWND callback, int tableIndex, HWAVEOUT& handle) {
    OpenCtrl(callback, tableIndex, handle, CardTable().waveOutIds.data(), waveOutOpen);
}

void OpenCtrlRange(HWND callback, int pair, HWAVEIN* handles, int firstCard, int lastCard, int firstChannel,
                   int lastChannel) {
    OpenRange(callback, pair, handles, firstCard, lastCard, firstChannel, lastChannel, OpenCtrlIn);
}

void OpenCtrlRange(HWND callback, int pair, HWAVEOUT* handles, int firstCard, int lastCard, int firstChannel,
                   int lastChannel) {
    OpenRange(callback, pair, handles, firstCard, lastCard, firstChannel, lastChannel, OpenCtrlOut);
}

void CloseCtrlHandles(int count, HWAVEIN* handles) {
    for (int i = 0; i < count; ++i)
        if (handles[i] && waveInClose(handles[i]) == MMSYSERR_NOERROR) handles[i] = nullptr;
}

void CloseCtrlHandles(int count, HWAVEOUT* handles) {
    for (int i = 0; i < count; ++i)
        if (handles[i] && waveOutClose(handles[i]) == MMSYSERR_NOERROR) handles[i] = nullptr;
}

bool SendCtrl(HWAVEIN handle, UINT msg, DWORD param) {
    return waveInMessage(handle, msg, param, 0) == MMSYSERR_NOERROR;
}

bool SendCtrl(HWAVEOUT handle, UINT msg, DWORD param) {
    return waveOutMessage(handle, msg, param, 0) == MMSYSERR_NOERROR;
}

} // namespace krvl
