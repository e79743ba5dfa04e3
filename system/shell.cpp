// The shell: programs ShellExecuteA can start, the tray, icon resources and the cursor position.
#include "system/internal.h"
#include "system/sys.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <list>
#include <map>
#include <mutex>
#include <thread>

namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string BaseName(const std::string& file) {
    auto pos = file.find_last_of("/\\");
    return Lower(pos == std::string::npos ? file : file.substr(pos + 1));
}

struct Running {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
};

struct State {
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<sys::ShellProgram>> programs;
    std::list<Running> running;
    std::vector<sys::TrayIcon> trayIcons;
    std::shared_ptr<sys::Tray> tray;
    std::map<std::string, sys::IconImage> iconResources;
    std::map<std::uintptr_t, sys::IconImage> icons;
    std::uintptr_t nextIcon{0x2000};
    POINT cursor{};
};

State& S() {
    static State state;
    return state;
}

// Caller holds the mutex.
void ReapFinished(std::list<Running>& finished) {
    for (auto it = S().running.begin(); it != S().running.end();) {
        if (it->done->load()) {
            finished.splice(finished.end(), S().running, it++);
        } else {
            ++it;
        }
    }
}

} // namespace

namespace sys {

void RegisterShellProgram(const std::string& file, ShellProgram program) {
    std::lock_guard lock(S().mutex);
    S().programs[BaseName(file)] = std::make_shared<ShellProgram>(std::move(program));
}

void JoinShellPrograms() {
    std::list<Running> all;
    {
        std::lock_guard lock(S().mutex);
        all.swap(S().running);
    }
    for (auto& r : all)
        r.thread.join();
}

void SetTray(std::shared_ptr<Tray> tray) {
    std::lock_guard lock(S().mutex);
    S().tray = std::move(tray);
}

std::vector<TrayIcon> TrayIcons() {
    std::lock_guard lock(S().mutex);
    return S().trayIcons;
}

namespace {
bool DeliverTrayMouseTo(const std::function<bool(const TrayIcon&)>& which, UINT mouseMessage) {
    TrayIcon icon;
    {
        std::lock_guard lock(S().mutex);
        auto it = std::find_if(S().trayIcons.begin(), S().trayIcons.end(), which);
        if (it == S().trayIcons.end()) return false;
        icon = *it;
    }
    return PostMessageA(icon.hwnd, icon.callbackMessage, icon.id, static_cast<LPARAM>(mouseMessage)) != 0;
}
} // namespace

bool DeliverTrayMouse(HWND hwnd, UINT id, UINT mouseMessage) {
    return DeliverTrayMouseTo([&](const TrayIcon& t) { return t.hwnd == hwnd && t.id == id; }, mouseMessage);
}

bool DeliverTrayMouse(UINT mouseMessage, UINT id) {
    return DeliverTrayMouseTo([&](const TrayIcon& t) { return t.id == id; }, mouseMessage);
}

void RegisterIconResource(const std::string& name, IconImage image) {
    std::lock_guard lock(S().mutex);
    S().iconResources[Lower(name)] = std::move(image);
}

const IconImage* IconImageOf(HICON icon) {
    std::lock_guard lock(S().mutex);
    auto it = S().icons.find(reinterpret_cast<std::uintptr_t>(icon));
    return it == S().icons.end() ? nullptr : &it->second;
}

std::size_t LiveIcons() {
    std::lock_guard lock(S().mutex);
    return S().icons.size();
}

namespace detail {
void ResetShell() {
    JoinShellPrograms();
    std::lock_guard lock(S().mutex);
    S().programs.clear();
    S().trayIcons.clear();
    S().tray.reset();
    S().iconResources.clear();
    S().icons.clear();
    S().cursor = {};
}
} // namespace detail

} // namespace sys

HINSTANCE ShellExecuteA(HWND, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters, LPCSTR, INT) {
    auto fail = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(SE_ERR_FNF));
    if (!lpFile) return fail;
    if (lpOperation && Lower(lpOperation) != "open") return fail;
    std::list<Running> finished;
    {
        std::lock_guard lock(S().mutex);
        ReapFinished(finished);
        auto it = S().programs.find(BaseName(lpFile));
        if (it == S().programs.end()) return fail;
        auto program = it->second;
        auto done = std::make_shared<std::atomic<bool>>(false);
        std::string params = lpParameters ? lpParameters : "";
        S().running.push_back(Running{std::thread([program, params, done] {
                                          (*program)(params);
                                          done->store(true);
                                      }),
                                      done});
    }
    for (auto& r : finished)
        r.thread.join();
    return reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(42));
}

BOOL Shell_NotifyIconA(DWORD dwMessage, NOTIFYICONDATAA* lpData) {
    if (!lpData) return FALSE;
    std::unique_lock lock(S().mutex);
    auto& icons = S().trayIcons;
    auto it = std::find_if(icons.begin(), icons.end(),
                           [&](auto& t) { return t.hwnd == lpData->hWnd && t.id == lpData->uID; });
    auto tray = S().tray;
    switch (dwMessage) {
    case NIM_ADD:
    case NIM_MODIFY: {
        if ((dwMessage == NIM_ADD) != (it == icons.end())) return FALSE;
        sys::TrayIcon icon =
            it == icons.end() ? sys::TrayIcon{lpData->hWnd, lpData->uID, 0, nullptr, ""} : *it;
        if (lpData->uFlags & NIF_MESSAGE) icon.callbackMessage = lpData->uCallbackMessage;
        if (lpData->uFlags & NIF_ICON) icon.icon = lpData->hIcon;
        if (lpData->uFlags & NIF_TIP)
            icon.tip.assign(lpData->szTip, strnlen(lpData->szTip, sizeof lpData->szTip));
        lock.unlock();
        bool ok = !tray || (dwMessage == NIM_ADD ? tray->Add(icon) : tray->Modify(icon));
        if (!ok) return FALSE;
        lock.lock();
        auto again = std::find_if(icons.begin(), icons.end(),
                                  [&](auto& t) { return t.hwnd == icon.hwnd && t.id == icon.id; });
        if (again == icons.end())
            icons.push_back(icon);
        else
            *again = icon;
        return TRUE;
    }
    case NIM_DELETE: {
        if (it == icons.end()) return FALSE;
        HWND hwnd = it->hwnd;
        UINT id = it->id;
        icons.erase(it);
        lock.unlock();
        if (tray) tray->Remove(hwnd, id);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

HICON LoadIconA(HINSTANCE, LPCSTR lpIconName) {
    if (!lpIconName || reinterpret_cast<std::uintptr_t>(lpIconName) < 0x10000) return nullptr;
    std::lock_guard lock(S().mutex);
    auto it = S().iconResources.find(Lower(lpIconName));
    if (it == S().iconResources.end()) return nullptr;
    std::uintptr_t h = S().nextIcon++;
    S().icons[h] = it->second;
    return reinterpret_cast<HICON>(h);
}

BOOL DestroyIcon(HICON hIcon) {
    std::lock_guard lock(S().mutex);
    return S().icons.erase(reinterpret_cast<std::uintptr_t>(hIcon)) ? TRUE : FALSE;
}

BOOL GetCursorPos(POINT* lpPoint) {
    if (!lpPoint) return FALSE;
    std::lock_guard lock(S().mutex);
    *lpPoint = S().cursor;
    return TRUE;
}

BOOL SetCursorPos(INT x, INT y) {
    std::lock_guard lock(S().mutex);
    S().cursor = POINT{x, y};
    return TRUE;
}

HINSTANCE GetModuleHandleA(LPCSTR) {
    return reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x400000));
}
