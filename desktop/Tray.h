// The tray: a status icon in the desktop's notification area, or, where the desktop has none, a small
// window of its own showing the icon, so adding the icon still succeeds and the program stays reachable.
// Mouse actions reach the icon record's window as its callback message, as the shell reports them.
#pragma once

#include "desktop/Input.h"
#include "system/sys.h"

#include <memory>
#include <string>
#include <vector>

namespace desktop {

class Host;

class TrayHost final : public sys::Tray {
public:
    explicit TrayHost(Host& host);
    ~TrayHost() override;

    bool Add(const sys::TrayIcon& icon) override;
    bool Modify(const sys::TrayIcon& icon) override;
    bool Remove(HWND hwnd, UINT id) override;
    // Removes every icon (the host going away).
    void Clear();

    // True while some program owns the desktop's notification area.
    static bool DesktopHasNotificationArea();

    // ---- what the desktop shows (tests) ----
    std::size_t Count() const { return m_entries.size(); }
    bool Embedded(std::size_t index) const;
    bool IconWindowShown(std::size_t index) const;
    std::string Tip(std::size_t index) const;
    // A press (type 0) or release (1) of a button on the icon, as the desktop reports it.
    void FeedButton(std::size_t index, int type, unsigned button, int rootX, int rootY, std::uint32_t timeMs);

    struct Entry;

private:
    Entry* Find(HWND hwnd, UINT id) const;
    Host& m_host;
    std::vector<std::unique_ptr<Entry>> m_entries;
};

} // namespace desktop
