// Profile (INI) files with the classic semantics. The file is read anew for every call and every write
// replaces it atomically, so a crash or a full disk never leaves a torn file.
#include "system/internal.h"
#include "system/sys.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <string_view>
#include <unistd.h>

namespace {

struct State {
    std::mutex mutex;
    std::string windowsDir;
    std::function<bool(const std::string&)> writeFault;
    std::function<bool(const std::string&)> readFault;
};

State& S() {
    static State state;
    return state;
}

std::string Trim(std::string_view s) {
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return std::string(s.substr(b, e - b));
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// One line of the file as it stands, with what it means.
struct Line {
    enum class Kind { Other, Section, Entry } kind{Kind::Other};
    std::string text;
    std::string name;  // section or key name, trimmed
    std::string value; // entry value, trimmed
};

Line Classify(std::string text) {
    Line line;
    line.text = std::move(text);
    std::string t = Trim(line.text);
    if (!t.empty() && t[0] == '[') {
        auto close = t.find(']');
        line.kind = Line::Kind::Section;
        line.name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    } else if (!t.empty() && t[0] != ';') {
        auto eq = t.find('=');
        if (eq != std::string::npos) {
            line.kind = Line::Kind::Entry;
            line.name = Trim(t.substr(0, eq));
            line.value = Trim(t.substr(eq + 1));
        }
    }
    return line;
}

// Lines end in CRLF, LF or a lone CR (files written elsewhere); all three read alike. Any byte sequence
// splits into lines; what is neither a header nor an entry is kept as it stands and means nothing.
std::vector<Line> SplitLines(const std::string& all) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < all.size()) {
        std::size_t end = all.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(Classify(all.substr(start)));
            break;
        }
        lines.push_back(Classify(all.substr(start, end - start)));
        start = end + (all[end] == '\r' && end + 1 < all.size() && all[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

// A missing file reads as empty; one that exists but cannot be read in full is Unreadable, and must
// never be replaced: a save would lose everything stored in it.
struct FileContent {
    enum class Status { Read, Missing, Unreadable } status{Status::Missing};
    std::vector<Line> lines;
};

FileContent ReadFile(const std::string& path) {
    FileContent result;
    sys::detail::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        result.status = errno == ENOENT ? FileContent::Status::Missing : FileContent::Status::Unreadable;
        return result;
    }
    std::function<bool(const std::string&)> fault;
    {
        std::lock_guard lock(S().mutex);
        fault = S().readFault;
    }
    std::string all;
    char buf[65536];
    for (;;) {
        ssize_t n = fault && fault(path) ? (errno = EIO, -1) : ::read(fd.Get(), buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            result.status = FileContent::Status::Unreadable;
            return result;
        }
        if (n == 0) break;
        all.append(buf, static_cast<std::size_t>(n));
    }
    result.status = FileContent::Status::Read;
    result.lines = SplitLines(all);
    return result;
}

// [first, end) of the first section named so: the header and the lines up to the next header.
std::optional<std::pair<std::size_t, std::size_t>> FindSection(const std::vector<Line>& lines,
                                                               std::string_view name) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != Line::Kind::Section || !SameText(lines[i].name, name)) continue;
        std::size_t end = i + 1;
        while (end < lines.size() && lines[end].kind != Line::Kind::Section)
            ++end;
        return std::make_pair(i, end);
    }
    return std::nullopt;
}

std::optional<std::size_t> FindEntry(const std::vector<Line>& lines, std::pair<std::size_t, std::size_t> sec,
                                     std::string_view key) {
    for (std::size_t i = sec.first + 1; i < sec.second; ++i)
        if (lines[i].kind == Line::Kind::Entry && SameText(lines[i].name, key)) return i;
    return std::nullopt;
}

std::string Unquote(const std::string& v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// Copies a NUL-separated list with its final NUL; a list that does not fit is cut and ends in two NULs.
DWORD CopyList(const std::vector<std::string>& names, char* buf, DWORD size) {
    if (size == 0) return 0;
    if (size == 1) {
        buf[0] = 0;
        return 0;
    }
    std::string all;
    for (auto& n : names) {
        all += n;
        all.push_back('\0');
    }
    if (all.size() + 1 <= size) {
        std::memcpy(buf, all.data(), all.size());
        buf[all.size()] = 0;
        return static_cast<DWORD>(all.size() == 0 ? 0 : all.size());
    }
    std::memcpy(buf, all.data(), size - 2);
    buf[size - 2] = 0;
    buf[size - 1] = 0;
    return size - 2;
}

DWORD CopyString(const std::string& s, char* buf, DWORD size) {
    if (size == 0) return 0;
    DWORD n = static_cast<DWORD>(std::min<std::size_t>(s.size(), size - 1));
    std::memcpy(buf, s.data(), n);
    buf[n] = 0;
    return n;
}

bool WriteFileAtomically(const std::string& path, const std::vector<Line>& lines) {
    std::string content;
    for (auto& l : lines) {
        content += l.text;
        content += "\r\n";
    }
    std::function<bool(const std::string&)> fault;
    {
        std::lock_guard lock(S().mutex);
        fault = S().writeFault;
    }
    return sys::detail::ReplaceFile(path, content, fault && fault(path));
}

// Names and values the file format cannot hold: a line break would make a value into further lines,
// a "]" cuts a section name, an "=" a key, and a key that begins like a header or a comment would read
// back as one. A NUL (only the many-key save can be handed one) would cut what a read gives back.
bool NoneOf(const std::string& text, std::string_view refused) {
    return text.find_first_of(refused) == std::string::npos;
}
bool StorableSection(const std::string& name) {
    return NoneOf(name, std::string_view("]\r\n\0", 4));
}
bool StorableKey(const std::string& key) {
    return NoneOf(key, std::string_view("=\r\n\0", 4)) && (key.empty() || (key[0] != '[' && key[0] != ';'));
}
bool StorableValue(const std::string& value) {
    return NoneOf(value, std::string_view("\r\n\0", 3));
}

// Edits on the lines of a file; each returns whether it changed anything.
bool EraseSection(std::vector<Line>& lines, const std::string& section) {
    // Every section of that name goes, or a second one would come to light in its place.
    bool changed = false;
    while (auto sec = FindSection(lines, section)) {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(sec->first),
                    lines.begin() + static_cast<std::ptrdiff_t>(sec->second));
        changed = true;
    }
    return changed;
}

bool EraseEntry(std::vector<Line>& lines, const std::string& section, const std::string& key) {
    auto sec = FindSection(lines, section);
    if (!sec) return false;
    bool changed = false;
    // Every entry of the key in the section reads see, or a duplicate would come to light.
    while (auto entry = FindEntry(lines, *sec, key)) {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*entry));
        --sec->second;
        changed = true;
    }
    return changed;
}

void SetEntry(std::vector<Line>& lines, const std::string& section, const std::string& key,
              std::string value) {
    value.erase(0, std::min(value.size(), value.find_first_not_of(" \t")));
    if (auto sec = FindSection(lines, section)) {
        if (auto entry = FindEntry(lines, *sec, key)) {
            lines[*entry] = Classify(lines[*entry].name + "=" + value);
        } else {
            // After the section's last non-blank line, so blank separators stay between sections.
            std::size_t at = sec->second;
            while (at > sec->first + 1 && Trim(lines[at - 1].text).empty())
                --at;
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), Classify(key + "=" + value));
        }
    } else {
        if (!lines.empty() && !Trim(lines.back().text).empty()) lines.push_back(Classify(""));
        lines.push_back(Classify("[" + section + "]"));
        lines.push_back(Classify(key + "=" + value));
    }
}

// Reads the file, applies the edit and, when it changed something, replaces the file as one step. A
// file that exists but cannot be read is left alone and the change fails.
bool ChangeFile(const std::string& file, const std::function<bool(std::vector<Line>&)>& edit) {
    static std::mutex changeMutex; // read, change and replace as one step
    const std::string path = sys::ResolveProfilePath(file);
    std::lock_guard changing(changeMutex);
    FileContent content = ReadFile(path);
    if (content.status == FileContent::Status::Unreadable) return false;
    if (!edit(content.lines)) return true;
    return WriteFileAtomically(path, content.lines);
}

} // namespace

namespace sys {

void SetWindowsDirectory(const std::string& dir) {
    std::lock_guard lock(S().mutex);
    S().windowsDir = dir;
}

std::string WindowsDirectory() {
    {
        std::lock_guard lock(S().mutex);
        if (!S().windowsDir.empty()) return S().windowsDir;
    }
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return std::string(xdg) + "/korvalin";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/korvalin";
}

std::string ResolveProfilePath(const std::string& file) {
    if (file.find_first_of("/\\") != std::string::npos) return file;
    return WindowsDirectory() + "/" + file;
}

void SetProfileWriteFault(std::function<bool(const std::string&)> fault) {
    std::lock_guard lock(S().mutex);
    S().writeFault = std::move(fault);
}

bool WriteProfileEntries(const std::string& file, const std::string& section,
                         const std::vector<std::pair<std::string, std::string>>& entries) {
    const std::string name = Trim(section);
    if (!StorableSection(name)) return false;
    for (auto& [key, value] : entries)
        if (!StorableKey(Trim(key)) || !StorableValue(value)) return false;
    return ChangeFile(file, [&](std::vector<Line>& lines) {
        for (auto& [key, value] : entries)
            SetEntry(lines, name, Trim(key), value);
        return !entries.empty();
    });
}

void SetProfileReadFault(std::function<bool(const std::string&)> fault) {
    std::lock_guard lock(S().mutex);
    S().readFault = std::move(fault);
}

namespace detail {
void ResetProfile() {
    std::lock_guard lock(S().mutex);
    S().windowsDir.clear();
    S().writeFault = nullptr;
    S().readFault = nullptr;
}
} // namespace detail

} // namespace sys

DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                               DWORD nSize, LPCSTR lpFileName) {
    if (!lpReturnedString || !lpFileName) return 0;
    // A file that cannot be read gives the defaults, as a missing one does.
    const std::vector<Line> lines = ReadFile(sys::ResolveProfilePath(lpFileName)).lines;
    // Blanks around the caller's names are not part of them, as in the file.
    const std::string section = lpAppName ? Trim(lpAppName) : std::string();
    const std::string key = lpKeyName ? Trim(lpKeyName) : std::string();
    if (!lpAppName) {
        std::vector<std::string> names;
        for (auto& l : lines)
            if (l.kind == Line::Kind::Section) names.push_back(l.name);
        return CopyList(names, lpReturnedString, nSize);
    }
    auto sec = FindSection(lines, section);
    if (!lpKeyName) {
        std::vector<std::string> keys;
        if (sec)
            for (std::size_t i = sec->first + 1; i < sec->second; ++i)
                if (lines[i].kind == Line::Kind::Entry) keys.push_back(lines[i].name);
        return CopyList(keys, lpReturnedString, nSize);
    }
    if (sec)
        if (auto entry = FindEntry(lines, *sec, key))
            return CopyString(Unquote(lines[*entry].value), lpReturnedString, nSize);
    // The default loses its trailing blanks, as on the original platform.
    std::string def = lpDefault ? lpDefault : "";
    while (!def.empty() && (def.back() == ' ' || def.back() == '\t'))
        def.pop_back();
    return CopyString(def, lpReturnedString, nSize);
}

UINT GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault, LPCSTR lpFileName) {
    if (!lpAppName || !lpKeyName) return static_cast<UINT>(nDefault);
    char buf[256];
    if (GetPrivateProfileStringA(lpAppName, lpKeyName, "", buf, sizeof buf, lpFileName) == 0)
        return static_cast<UINT>(nDefault);
    // Leading decimal digits with an optional sign; anything else reads as 0.
    const char* p = buf;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    std::uint32_t value = 0;
    while (*p >= '0' && *p <= '9')
        value = value * 10 + static_cast<std::uint32_t>(*p++ - '0');
    return negative ? 0u - value : value;
}

BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString, LPCSTR lpFileName) {
    if (!lpFileName) return FALSE;
    if (!lpAppName) return (!lpKeyName && !lpString) ? TRUE : FALSE; // a flush request: nothing is cached
    // Trimmed as reads trim them, so a write under " Korvalin" changes the section a read finds.
    const std::string section = Trim(lpAppName);
    const std::string key = lpKeyName ? Trim(lpKeyName) : std::string();
    if (!StorableSection(section) || !StorableKey(key) || (lpString && !StorableValue(lpString)))
        return FALSE;
    bool ok = ChangeFile(lpFileName, [&](std::vector<Line>& lines) {
        if (!lpKeyName) return EraseSection(lines, section);
        if (!lpString) return EraseEntry(lines, section, key);
        SetEntry(lines, section, key, lpString);
        return true;
    });
    return ok ? TRUE : FALSE;
}

UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
    std::string dir = sys::WindowsDirectory();
    if (!lpBuffer || uSize <= dir.size()) return static_cast<UINT>(dir.size() + 1);
    std::memcpy(lpBuffer, dir.c_str(), dir.size() + 1);
    return static_cast<UINT>(dir.size());
}
