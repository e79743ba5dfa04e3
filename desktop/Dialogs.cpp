// Message boxes and popup menus as real dialogs. Each waits in the program's own loop (nested), so
// timers and notices go on being handled while it is open, as with the classic modal loops.
#include "desktop/FormWindow.h"
#include "desktop/Host.h"
#include "desktop/Input.h"

#include <gtk/gtk.h>

namespace desktop {

namespace {

constexpr INT IDABORT = 3;
constexpr INT IDRETRY = 4;
constexpr INT IDIGNORE = 5;

struct Choice {
    const char* label;
    INT id;
};

std::vector<Choice> ChoicesOf(UINT style) {
    switch (style & 0xF) {
    case MB_OKCANCEL:
        return {{"OK", IDOK}, {"Abbrechen", IDCANCEL}};
    case 2:
        return {{"_Abbrechen", IDABORT}, {"_Wiederholen", IDRETRY}, {"_Ignorieren", IDIGNORE}};
    case 3:
        return {{"_Ja", IDYES}, {"_Nein", IDNO}, {"Abbrechen", IDCANCEL}};
    case MB_YESNO:
        return {{"_Ja", IDYES}, {"_Nein", IDNO}};
    case 5:
        return {{"_Wiederholen", IDRETRY}, {"Abbrechen", IDCANCEL}};
    default:
        return {{"OK", IDOK}};
    }
}

// What closing the box without a button answers; 0 where the classic box cannot be closed so.
INT CloseAnswer(const std::vector<Choice>& choices) {
    for (const Choice& c : choices)
        if (c.id == IDCANCEL) return IDCANCEL;
    return choices.size() == 1 ? choices.front().id : 0;
}

struct IconKind {
    GtkMessageType type;
    const char* name;
    const char* themeIcon;
};

IconKind IconOf(UINT style) {
    switch (style & MB_ICONMASK) {
    case MB_ICONERROR:
        return {GTK_MESSAGE_ERROR, "error", "dialog-error"};
    case MB_ICONQUESTION:
        return {GTK_MESSAGE_QUESTION, "question", "dialog-question"};
    case MB_ICONWARNING:
        return {GTK_MESSAGE_WARNING, "warning", "dialog-warning"};
    case MB_ICONINFORMATION:
        return {GTK_MESSAGE_INFO, "information", "dialog-information"};
    default:
        return {GTK_MESSAGE_OTHER, "", nullptr};
    }
}

GtkWindow* OwnerWindow(Host& host, HWND owner) {
    FormWindow* fw = owner ? host.WindowOf(owner) : nullptr;
    return fw && fw->Shown() ? GTK_WINDOW(fw->NativeWindow()) : nullptr;
}

class MessageBoxDialog final : public Host::Dialog {
public:
    MessageBoxDialog(const sys::MessageBoxRecord& record, GtkWindow* parent)
        : m_choices(ChoicesOf(record.style)) {
        IconKind icon = IconOf(record.style);
        m_info.caption = DisplayText(record.caption);
        m_info.text = DisplayText(record.text);
        m_info.icon = icon.name;
        m_widget = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, icon.type, GTK_BUTTONS_NONE, "%s",
                                          m_info.text.c_str());
        gtk_window_set_title(GTK_WINDOW(m_widget), m_info.caption.c_str());
        if (icon.themeIcon) {
            // GTK 3 message dialogs show no icon by themselves; the classic box does, by its style.
            G_GNUC_BEGIN_IGNORE_DEPRECATIONS
            gtk_message_dialog_set_image(GTK_MESSAGE_DIALOG(m_widget),
                                         gtk_image_new_from_icon_name(icon.themeIcon, GTK_ICON_SIZE_DIALOG));
            G_GNUC_END_IGNORE_DEPRECATIONS
        }
        gtk_window_set_keep_above(GTK_WINDOW(m_widget), TRUE);
        gtk_window_set_position(GTK_WINDOW(m_widget),
                                parent ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
        for (const Choice& c : m_choices) {
            gtk_dialog_add_button(GTK_DIALOG(m_widget), c.label, c.id);
            m_info.buttons.push_back(c.label);
        }
        std::size_t defaultButton = (record.style >> 8) & 0xF; // MB_DEFBUTTON2 = 0x100, ...
        if (defaultButton < m_choices.size())
            gtk_dialog_set_default_response(GTK_DIALOG(m_widget), m_choices[defaultButton].id);
        if (!CloseAnswer(m_choices)) gtk_window_set_deletable(GTK_WINDOW(m_widget), FALSE);
        g_signal_connect(m_widget, "response", G_CALLBACK(OnResponse), this);
    }
    ~MessageBoxDialog() override { gtk_widget_destroy(m_widget); }

    INT Run(Host& host) {
        gtk_widget_show_all(m_widget);
        host.AddDialog(this);
        host.RunNestedUntil([this] { return m_answer != 0; });
        host.RemoveDialog(this);
        return m_answer;
    }

    void Dismiss() override {
        INT close = CloseAnswer(m_choices);
        m_answer = close ? close : m_choices.back().id;
    }
    void Answer(std::size_t index) {
        if (index < m_choices.size()) gtk_dialog_response(GTK_DIALOG(m_widget), m_choices[index].id);
    }
    const OpenMessageBox& Info() const { return m_info; }

private:
    static void OnResponse(GtkDialog*, gint response, gpointer data) {
        auto* self = static_cast<MessageBoxDialog*>(data);
        if (response > 0) {
            self->m_answer = response;
            return;
        }
        // Escape or the close box.
        if (INT close = CloseAnswer(self->m_choices)) self->m_answer = close;
    }

    std::vector<Choice> m_choices;
    OpenMessageBox m_info;
    GtkWidget* m_widget{};
    INT m_answer{};
};

class MenuDialog final : public Host::Dialog {
public:
    MenuDialog(HMENU menu, INT x, INT y) : m_point{x, y} {
        m_menu = Build(menu);
        g_object_ref_sink(m_menu);
        g_signal_connect(m_menu, "deactivate", G_CALLBACK(OnDeactivate), this);
    }
    ~MenuDialog() override {
        if (m_idle) g_source_remove(m_idle);
        g_signal_handlers_disconnect_by_data(m_menu, this);
        gtk_widget_destroy(m_menu);
        g_object_unref(m_menu);
    }

    UINT_PTR Run(Host& host) {
        if (m_items.empty()) return 0;
        gtk_widget_show_all(m_menu);
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        // The legacy call places the menu at exact screen coordinates, as the classic popup does.
        gtk_menu_popup(GTK_MENU(m_menu), nullptr, nullptr, Position, &m_point, 0,
                       gtk_get_current_event_time());
        G_GNUC_END_IGNORE_DEPRECATIONS
        if (!gtk_widget_get_visible(m_menu)) return 0;
        host.AddDialog(this);
        host.RunNestedUntil([this] { return m_done; });
        host.RemoveDialog(this);
        return m_chosen;
    }

    void Dismiss() override {
        gtk_menu_shell_cancel(GTK_MENU_SHELL(m_menu));
        m_done = true;
    }
    std::vector<std::string> Labels() const {
        std::vector<std::string> out;
        for (const Entry& e : m_top)
            out.push_back(e.label);
        return out;
    }
    bool Choose(int index) {
        if (index < 0) {
            Dismiss();
            return true;
        }
        if (static_cast<std::size_t>(index) >= m_top.size() || !m_top[static_cast<std::size_t>(index)].widget)
            return false;
        gtk_menu_shell_activate_item(GTK_MENU_SHELL(m_menu), m_top[static_cast<std::size_t>(index)].widget,
                                     TRUE);
        return true;
    }

private:
    struct Entry {
        std::string label;
        GtkWidget* widget{};
    };

    GtkWidget* Build(HMENU menu, bool top = true) {
        GtkWidget* shell = gtk_menu_new();
        for (const sys::MenuItem& item : sys::MenuItems(menu)) {
            GtkWidget* widget = nullptr;
            std::string shown;
            if (item.flags & MF_SEPARATOR) {
                widget = gtk_separator_menu_item_new();
                shown = "-";
            } else {
                MenuLabel label = MenuLabelOf(DisplayText(item.text));
                shown = tk::StripAccelerator(item.text);
                widget = (item.flags & MF_CHECKED) ? gtk_check_menu_item_new() : gtk_menu_item_new();
                if (item.flags & MF_CHECKED)
                    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget), TRUE);
                GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
                GtkWidget* text = gtk_label_new_with_mnemonic(label.mnemonic.c_str());
                gtk_label_set_xalign(GTK_LABEL(text), 0.0f);
                gtk_box_pack_start(GTK_BOX(box), text, TRUE, TRUE, 0);
                if (!label.shortcut.empty()) {
                    GtkWidget* keys = gtk_label_new(label.shortcut.c_str());
                    gtk_style_context_add_class(gtk_widget_get_style_context(keys), "dim-label");
                    gtk_box_pack_end(GTK_BOX(box), keys, FALSE, FALSE, 0);
                }
                gtk_container_add(GTK_CONTAINER(widget), box);
                if (item.flags & (MF_GRAYED | MF_DISABLED)) gtk_widget_set_sensitive(widget, FALSE);
                if ((item.flags & MF_POPUP) && item.popup) {
                    gtk_menu_item_set_submenu(GTK_MENU_ITEM(widget), Build(item.popup, false));
                } else {
                    // Connected after the check state was set: setting it activates the item.
                    g_object_set_data(G_OBJECT(widget), "krvl-id", reinterpret_cast<gpointer>(item.id));
                    g_signal_connect(widget, "activate", G_CALLBACK(OnActivate), this);
                    m_items.push_back(widget);
                }
            }
            gtk_menu_shell_append(GTK_MENU_SHELL(shell), widget);
            if (top) m_top.push_back({shown, (item.flags & MF_SEPARATOR) ? nullptr : widget});
        }
        return shell;
    }

    static void Position(GtkMenu*, gint* x, gint* y, gboolean* pushIn, gpointer data) {
        auto* p = static_cast<POINT*>(data);
        *x = p->x;
        *y = p->y;
        *pushIn = TRUE;
    }
    static void OnActivate(GtkMenuItem* item, gpointer data) {
        auto* self = static_cast<MenuDialog*>(data);
        self->m_chosen = reinterpret_cast<UINT_PTR>(g_object_get_data(G_OBJECT(item), "krvl-id"));
    }
    static void OnDeactivate(GtkMenuShell*, gpointer data) {
        auto* self = static_cast<MenuDialog*>(data);
        // The chosen item's activation follows the menu's deactivation: decide once it has run.
        if (!self->m_idle)
            self->m_idle = g_idle_add(
                [](gpointer d) -> gboolean {
                    auto* s = static_cast<MenuDialog*>(d);
                    s->m_idle = 0;
                    s->m_done = true;
                    return G_SOURCE_REMOVE;
                },
                self);
    }

    POINT m_point;
    GtkWidget* m_menu{};
    std::vector<GtkWidget*> m_items;
    std::vector<Entry> m_top;
    UINT_PTR m_chosen{};
    bool m_done{};
    guint m_idle{};
};

} // namespace

INT ShowMessageBox(Host& host, const sys::MessageBoxRecord& record) {
    if (host.SessionEnding()) {
        // Nobody is there to answer any more: the box takes the answer its close gives.
        std::vector<Choice> choices = ChoicesOf(record.style);
        INT close = CloseAnswer(choices);
        return close ? close : choices.back().id;
    }
    MessageBoxDialog dialog(record, OwnerWindow(host, record.owner));
    return dialog.Run(host);
}

UINT_PTR ShowPopupMenu(Host& host, HMENU menu, INT x, INT y, HWND) {
    if (host.SessionEnding()) return 0;
    MenuDialog dialog(menu, x, y);
    return dialog.Run(host);
}

void Beep(UINT) {
    if (GdkDisplay* display = gdk_display_get_default()) gdk_display_beep(display);
}

std::vector<OpenMessageBox> Host::OpenMessageBoxes() const {
    std::vector<OpenMessageBox> out;
    for (Dialog* d : m_dialogs)
        if (auto* box = dynamic_cast<MessageBoxDialog*>(d)) out.push_back(box->Info());
    return out;
}

bool Host::AnswerMessageBox(std::size_t button) {
    for (auto it = m_dialogs.rbegin(); it != m_dialogs.rend(); ++it)
        if (auto* box = dynamic_cast<MessageBoxDialog*>(*it)) {
            box->Answer(button);
            return true;
        }
    return false;
}

std::vector<std::string> Host::OpenMenuItems() const {
    for (auto it = m_dialogs.rbegin(); it != m_dialogs.rend(); ++it)
        if (auto* menu = dynamic_cast<MenuDialog*>(*it)) return menu->Labels();
    return {};
}

bool Host::ChooseMenuItem(int index) {
    for (auto it = m_dialogs.rbegin(); it != m_dialogs.rend(); ++it)
        if (auto* menu = dynamic_cast<MenuDialog*>(*it)) return menu->Choose(index);
    return false;
}

} // namespace desktop
