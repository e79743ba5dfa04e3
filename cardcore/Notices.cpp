#include "cardcore/Notices.h"

#include "system/krvl_protocol.h"
#include "system/sys.h"

#include <algorithm>
#include <cstring>

namespace cardcore {
namespace {

using krvl::kNotifyRecordSize;

// A 16:16 address travels in the low 32 bits; anything above them cannot be one.
bool Address(DWORD_PTR p, DWORD& vp) {
    if (p > 0xFFFFFFFFu) return false;
    vp = static_cast<DWORD>(p);
    return true;
}

} // namespace

MMRESULT NoticeBoard::Register(std::uintptr_t handle, int card, int pair, DWORD_PTR address) {
    DWORD vp = 0;
    if (!Address(address, vp) || !sys::AccessVdm16(vp, kNotifyRecordSize, [](BYTE*) {}))
        return MMSYSERR_INVALPARAM;
    for (auto& r : m_list)
        if (r.handle == handle && r.address == vp) return MMSYSERR_NOERROR;
    m_list.push_back(NotifyRegistration{handle, card, pair, vp});
    return MMSYSERR_NOERROR;
}

MMRESULT NoticeBoard::Unregister(std::uintptr_t handle, DWORD_PTR address) {
    DWORD vp = 0;
    if (!Address(address, vp)) return MMSYSERR_INVALPARAM;
    auto n = std::erase_if(m_list, [&](auto& r) { return r.handle == handle && r.address == vp; });
    return n ? MMSYSERR_NOERROR : MMSYSERR_INVALPARAM;
}

void NoticeBoard::DropHandle(std::uintptr_t handle) {
    std::erase_if(m_list, [&](auto& r) { return r.handle == handle; });
}

std::vector<DWORD> NoticeBoard::Records(int card, int pair, std::uintptr_t except) const {
    std::vector<DWORD> records;
    for (auto& r : m_list)
        if (r.card == card && r.pair == pair && r.handle != except) records.push_back(r.address);
    return records;
}

void NoticeBoard::Post(const std::vector<DWORD>& records, WORD eventClass) {
    if (!eventClass) return;
    for (DWORD address : records) {
        krvl::NotifyRecord rec{};
        bool ok =
            sys::AccessVdm16(address, kNotifyRecordSize, [&](BYTE* p) { std::memcpy(&rec, p, sizeof rec); });
        if (!ok || !(rec.eventClass & eventClass)) continue;
        PostMessageA(WOWHandle32(rec.window, WOW_TYPE_HWND), rec.message, 0,
                     static_cast<LPARAM>(static_cast<LONG>(rec.lParam)));
    }
}

} // namespace cardcore
