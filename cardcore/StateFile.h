// A driver's state file beside the settings file: written a second after the first of a run of changes,
// off the caller's thread (a fader drag changes the state many times a second), and when the driver
// stops; always by temporary file and rename, so a crash never leaves a torn file.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace cardcore {

class StateFile {
public:
    // snapshot gives the file's text; it is called on whichever thread writes, never under the state
    // file's own locks, so it may take the driver's.
    StateFile(std::string path, std::function<std::string()> snapshot);
    // Stops, writing what changed.
    ~StateFile();
    StateFile(const StateFile&) = delete;
    StateFile& operator=(const StateFile&) = delete;

    const std::string& Path() const { return m_path; }
    // From now on a change schedules a write on the system clock.
    void Start();
    // The state changed. Before Start and after Stop it is only remembered.
    void Changed();
    // Withdraws the pending write and writes now what changed since the last write.
    void Stop();
    // Files written so far.
    std::size_t Writes() const;

private:
    struct Shared;
    static void Write(Shared& shared);

    std::string m_path;
    std::shared_ptr<Shared> m_shared;
};

} // namespace cardcore
