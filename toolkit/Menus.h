// Popup menus and their items, shown through the system layer's menu calls.
#pragma once

#include "toolkit/Component.h"

#include <string>
#include <vector>

namespace tk {

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;
    std::string ClassName() const override { return "TMenuItem"; }

    const std::string& Caption() const { return m_caption; }
    void SetCaption(const std::string& caption) { m_caption = caption; }
    bool Checked() const { return m_checked; }
    void SetChecked(bool v) { m_checked = v; }
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool v) { m_enabled = v; }
    bool Visible() const { return m_visible; }
    void SetVisible(bool v) { m_visible = v; }
    bool Default() const { return m_default; }
    void SetDefault(bool v) { m_default = v; }
    bool IsSeparator() const { return m_caption == "-"; }

    int Count() const { return static_cast<int>(m_items.size()); }
    TMenuItem* Items(int index) const { return m_items.at(static_cast<std::size_t>(index)); }
    TMenuItem* ParentItem() const { return m_parentItem; }
    void Add(TMenuItem* item);
    void Remove(TMenuItem* item);
    bool SetParentComponent(TComponent* parent) override;

    virtual void Click();
    TNotifyEvent OnClick;

private:
    std::string m_caption;
    bool m_checked{};
    bool m_enabled{true};
    bool m_visible{true};
    bool m_default{};
    TMenuItem* m_parentItem{};
    std::vector<TMenuItem*> m_items;
};

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* owner);
    std::string ClassName() const override { return "TPopupMenu"; }

    // The root item; its sub-items are the menu's entries.
    TMenuItem& Items() { return m_root; }
    // Shows the menu at screen position (x, y) through TrackPopupMenu and runs the chosen item's
    // OnClick. The window that receives the menu's commands is owner's.
    void Popup(int x, int y);
    HWND OwnerWindow() const { return m_window; }
    void SetOwnerWindow(HWND window) { m_window = window; }
    bool AutoPopup() const { return m_autoPopup; }
    void SetAutoPopup(bool v) { m_autoPopup = v; }

    TNotifyEvent OnPopup;

private:
    TMenuItem m_root{nullptr};
    HWND m_window{};
    bool m_autoPopup{true};
};

} // namespace tk
