// A 16-bit block as the manager owns one, for tests that talk to a driver as the program does.
#pragma once

#include "system/win32.h"

#include <cstring>

namespace test_support {

// 16:16 address plus fixed flat pointer.
class Block {
public:
    explicit Block(DWORD size) : m_size(size) {
        m_vp = WOWGlobalAllocLock16(GMEM_ZEROINIT, size, nullptr);
        m_p = static_cast<BYTE*>(WOWGetVDMPointerFix(m_vp, size, TRUE));
    }
    ~Block() {
        if (m_vp) {
            WOWGetVDMPointerUnfix(m_vp);
            WOWGlobalUnlockFree16(m_vp);
        }
    }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;

    DWORD vp() const { return m_vp; }
    BYTE* data() const { return m_p; }
    DWORD U32(DWORD offset = 0) const {
        DWORD v;
        std::memcpy(&v, m_p + offset, 4);
        return v;
    }
    void Put32(DWORD offset, DWORD v) { std::memcpy(m_p + offset, &v, 4); }
    // Frees the block early, leaving its address dangling.
    void Free() {
        WOWGetVDMPointerUnfix(m_vp);
        WOWGlobalUnlockFree16(m_vp);
        m_vp = 0;
        m_p = nullptr;
    }

private:
    DWORD m_size{};
    DWORD m_vp{};
    BYTE* m_p{};
};

} // namespace test_support
