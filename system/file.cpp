// Replacing a file as one step, for the settings files and the drivers' state files alike.
#include "system/internal.h"
#include "system/sys.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace sys {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Temporary files that writers killed mid-write left beside the file ("NAME.tmp<pid>_<n>"); those of
// living processes may still be in use and stay.
void RemoveStaleTemporaries(const fs::path& target) {
    const std::string prefix = target.filename().string() + ".tmp";
    std::error_code ec;
    for (auto it = fs::directory_iterator(target.has_parent_path() ? target.parent_path() : ".", ec);
         !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        const pid_t pid = static_cast<pid_t>(std::atol(name.c_str() + prefix.size()));
        if (pid <= 0 || pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
        std::error_code ignored;
        fs::remove(it->path(), ignored);
    }
}

} // namespace

namespace detail {

// A temporary file in the same folder, flushed to the disk, then renamed over the target, and the folder
// flushed too: whenever the process dies, the file is the complete old or the complete new content.
bool ReplaceFile(const std::string& path, const std::string& content, bool failHalfway) {
    static std::atomic<unsigned> counter{};
    fs::path target(path);
    std::error_code ec;
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
    const std::string temp = path + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    bool ok = true;
    {
        std::unique_ptr<std::FILE, FileCloser> f(std::fopen(temp.c_str(), "wbx"));
        if (!f) return false;
        // The replacement keeps the permissions the user gave the old file.
        struct stat old {};
        if (::stat(path.c_str(), &old) == 0) ::fchmod(::fileno(f.get()), old.st_mode & 07777);
        if (failHalfway) {
            // Half a file reaches the disk, then the write fails: the original must survive.
            std::fwrite(content.data(), 1, content.size() / 2, f.get());
            ok = false;
        } else {
            ok = std::fwrite(content.data(), 1, content.size(), f.get()) == content.size();
            ok = std::fflush(f.get()) == 0 && ok;
            ok = ::fsync(::fileno(f.get())) == 0 && ok;
        }
        ok = std::fclose(f.release()) == 0 && ok;
    }
    if (ok) ok = std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        std::remove(temp.c_str());
        return false;
    }
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    if (UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); dir) ::fsync(dir.Get());
    RemoveStaleTemporaries(target);
    return true;
}

} // namespace detail

bool ReplaceFile(const std::string& path, const std::string& content) {
    return detail::ReplaceFile(path, content, false);
}

} // namespace sys
