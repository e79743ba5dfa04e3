// The settings-file reader and writer: random file contents, then random calls, each checked against a
// model of what the calls mean (case-insensitive names, trimmed keys and values, quotes taken off,
// deletes that leave nothing of a key or section behind, refused names the file cannot hold).
#include "FuzzDir.h"
#include "system/sys.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <string_view>

namespace {

const char* const kSections[] = {"Korvalin", "KORVALIN", " Korvalin\t", "KRV Ana. Input", "A", "a", ""};
const char* const kKeys[] = {"Top", "top", " Top ", "Slider0", "chkPeakMeter", "Hints", "x", ""};

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return s;
}
std::string Trim(const std::string& s) {
    auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}
std::string Unquote(const std::string& v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}
// A line break or a NUL anywhere, "]" in a section, "=" in a key or a key that begins like a header or
// a comment: the file cannot hold it, and the write is refused.
bool Storable(const std::string& section, const std::string& key, const std::string& value) {
    const std::string k = Trim(key);
    const std::string_view breaks("\r\n\0", 3);
    return Trim(section).find_first_of(']') == std::string::npos &&
           section.find_first_of(breaks) == std::string::npos && k.find_first_of('=') == std::string::npos &&
           k.find_first_of(breaks) == std::string::npos && (k.empty() || (k[0] != '[' && k[0] != ';')) &&
           value.find_first_of(breaks) == std::string::npos;
}

// section -> key -> what a read gives, for the names the calls use.
using Model = std::map<std::string, std::map<std::string, std::string>>;

std::optional<std::string> Read(const std::string& section, const std::string& key) {
    static char buf[1 << 16];
    const char* missing = "\x01missing";
    GetPrivateProfileStringA(section.c_str(), key.c_str(), missing, buf, sizeof buf, "KRVLmix.ini");
    if (std::string(buf) == missing) return std::nullopt;
    return std::string(buf);
}

void Check(const Model& model) {
    for (const char* s : kSections)
        for (const char* k : kKeys) {
            std::optional<std::string> expected;
            if (auto sec = model.find(Lower(Trim(s))); sec != model.end())
                if (auto e = sec->second.find(Lower(Trim(k))); e != sec->second.end()) expected = e->second;
            auto got = Read(s, k);
            // Values longer than the buffer come back cut; none of the calls writes one.
            if (got != expected) {
                std::fprintf(stderr, "[%s] %s: read %s, expected %s\n", s, k, got ? got->c_str() : "(none)",
                             expected ? expected->c_str() : "(none)");
                std::abort();
            }
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string dir = FuzzDir("profile");
    static const std::string path = dir + "/KRVLmix.ini";
    sys::SetWindowsDirectory(dir);
    FuzzedDataProvider in(data, size);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << in.ConsumeRandomLengthString(4096);
    }
    // What the random file holds for the names, as reads see it: the starting point of the model.
    Model model;
    for (const char* s : kSections)
        for (const char* k : kKeys)
            if (auto v = Read(s, k)) model[Lower(Trim(s))][Lower(Trim(k))] = *v;

    for (int step = 0; step < 24 && in.remaining_bytes() > 0; ++step) {
        const std::string section = in.PickValueInArray(kSections);
        const std::string key = in.PickValueInArray(kKeys);
        const std::string sec = Lower(Trim(section)), k = Lower(Trim(key));
        switch (in.ConsumeIntegralInRange(0, 4)) {
        case 0: { // set one key
            std::string value = in.ConsumeRandomLengthString(64);
            value = value.substr(0, value.find('\0'));
            const bool ok =
                WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), "KRVLmix.ini");
            if (ok != Storable(section, key, value)) std::abort();
            if (ok) model[sec][k] = Unquote(Trim(value));
            break;
        }
        case 1: { // delete one key
            if (!Storable(section, key, "")) break;
            if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, "KRVLmix.ini"))
                std::abort();
            if (auto it = model.find(sec); it != model.end()) it->second.erase(k);
            break;
        }
        case 2: // delete a section
            if (!Storable(section, "", "")) break;
            if (!WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, "KRVLmix.ini")) std::abort();
            model.erase(sec);
            break;
        case 3: { // a window's save: many keys at once
            std::vector<std::pair<std::string, std::string>> entries;
            bool storable = true;
            for (int n = in.ConsumeIntegralInRange(0, 6); n > 0; --n) {
                std::string value = in.ConsumeRandomLengthString(16);
                entries.emplace_back(in.PickValueInArray(kKeys), value);
                storable = storable && Storable(section, entries.back().first, value);
            }
            const bool ok = sys::WriteProfileEntries("KRVLmix.ini", section, entries);
            if (ok != storable) std::abort();
            if (ok)
                for (auto& [key2, value] : entries)
                    model[sec][Lower(Trim(key2))] = Unquote(Trim(value));
            break;
        }
        case 4: { // list reads into a buffer of any size stay inside it and end in NUL
            std::vector<char> buf(in.ConsumeIntegralInRange<std::size_t>(0, 64) + 2, '\x7f');
            const DWORD n = static_cast<DWORD>(buf.size() - 2);
            DWORD got = GetPrivateProfileStringA(in.ConsumeBool() ? nullptr : section.c_str(), nullptr, "",
                                                 buf.data(), n, "KRVLmix.ini");
            if (n > 0 && (got >= n || buf[got] != 0)) std::abort();
            if (buf[n] != '\x7f' || buf[n + 1] != '\x7f') std::abort();
            (void)GetPrivateProfileIntA(section.c_str(), key.c_str(), 7, "KRVLmix.ini");
            break;
        }
        }
        Check(model);
    }
    return 0;
}
