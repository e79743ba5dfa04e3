// The driver's configuration entry, run by the "rundll.exe" host on a thread of its own.
#include "emu/Emulator.h"

#include <algorithm>

namespace emu {

void Emulator::DriverConfig(const std::string& commandLine) {
    auto command = cardcore::ConfigCommand::Parse(commandLine);
    std::lock_guard lock(m_mutex);
    EmitLocked("config \"" + commandLine + "\"");
    const auto& hanging = m_scenario.faults.neverCompleting;
    if (m_scenario.faults.configNeverCompletes &&
        (hanging.empty() || std::find(hanging.begin(), hanging.end(), command.request) != hanging.end()))
        return;
    if (command.wellFormed) {
        cardcore::StateRecord states{};
        if (m_scenario.stateRecord) {
            states = *m_scenario.stateRecord;
        } else {
            states[0] = m_scenario.overallState;
            for (int c = 0; c < CardCount(); ++c)
                states[c + 1] = m_cards[c].st.state;
        }
        LONG reconfigurable =
            m_scenario.faults.reconfigurable ? *m_scenario.faults.reconfigurable : (BusyLocked() ? 0 : 1);
        if (m_config.Serve(command.request, command.data, states, reconfigurable)) StateChangedLocked();
    }
    if (command.Complete()) EmitLocked("config-done " + command.request);
}

} // namespace emu
