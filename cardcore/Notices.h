// The driver's side of change notices: which notification records are registered on which handle, and
// posting a record's message to its window. Not locked: the driver's own lock guards a board.
#pragma once

#include "system/win32.h"

#include <cstdint>
#include <vector>

namespace cardcore {

struct NotifyRegistration {
    std::uintptr_t handle{};
    int card{};
    int pair{};
    DWORD address{}; // 16:16 address of the notification record
};

class NoticeBoard {
public:
    // The record at address must be readable; registering the same record twice on a handle is one
    // registration.
    MMRESULT Register(std::uintptr_t handle, int card, int pair, DWORD_PTR address);
    MMRESULT Unregister(std::uintptr_t handle, DWORD_PTR address);
    // A closed handle takes its registrations with it.
    void DropHandle(std::uintptr_t handle);

    // The records registered for a change of card and pair, but those of the handle that made it.
    std::vector<DWORD> Records(int card, int pair, std::uintptr_t except = 0) const;
    const std::vector<NotifyRegistration>& List() const { return m_list; }

    // Posts each record's message with its lParam to its window when the record asks for eventClass. The
    // record is read where the program keeps it, as the driver only holds its address.
    static void Post(const std::vector<DWORD>& records, WORD eventClass);

private:
    std::vector<NotifyRegistration> m_list;
};

} // namespace cardcore
