// Installation, card state, the state file, changes made by another program, notices and levels.
#include "emu/Emulator.h"

#include "cardcore/Law.h"
#include "cardcore/Records.h"
#include "cardcore/StoredState.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace emu {
namespace {

using cardcore::GainFactor;
using cardcore::ToLevel;
using cardcore::VolumeFactor;

constexpr UINT kRunEventMessage = WM_USER + 1;

WORD Word(DWORD packed, int ch) {
    return static_cast<WORD>(ch == 0 ? packed & 0xFFFF : packed >> 16);
}

} // namespace

// Whether value is one the driver accepts for setting on this card and pair.
bool Emulator::Accepts(Setting setting, const CardState& st, int pair, DWORD value) {
    switch (setting) {
    case Setting::Source:
        return pair >= 0 && pair < kPairsPerCard && cardcore::ValidSource(value);
    case Setting::Routing:
        return cardcore::ValidRouting(pair, value, st.extended);
    case Setting::Format:
        return cardcore::ValidFormat(value);
    default: // gains, volumes and mutes of the analog pairs take any word
        return pair == 0 || pair == 1;
    }
}

Emulator::Emulator(const Scenario& scenario)
    : m_scenario(scenario), m_state(sys::ResolveProfilePath(m_scenario.stateFile), [this] {
          std::lock_guard lock(m_mutex);
          return StateTextLocked();
      }) {
    for (auto& d : m_scenario.DeviceList())
        (d.dir == sys::WaveDir::In ? m_in : m_out).push_back(d);
    for (std::size_t c = 0; c < m_scenario.cards.size() && c < kMaxCards; ++c)
        m_cards.push_back(CardData{m_scenario.cards[c], {}});
    std::lock_guard lock(m_mutex);
    DefaultsLocked();
    if (m_scenario.persist && !m_scenario.fresh) LoadStateLocked();
    InitialStateLocked();
}

void Emulator::InitialStateLocked() {
    // The scenario's own start values win over the state file: they are what the run is about.
    auto apply = [](const auto& from, auto& to) {
        for (std::size_t p = 0; p < from.size() && p < to.size(); ++p)
            if (from[p]) to[p] = *from[p];
    };
    for (auto& card : m_cards) {
        const InitialState& in = card.spec.initial;
        apply(in.gain, card.st.gain);
        apply(in.inputMute, card.st.inputMute);
        apply(in.routing, card.st.routing);
        apply(in.volume, card.st.volume);
        apply(in.outputMute, card.st.outputMute);
        apply(in.source, card.st.source);
        if (in.format) card.st.digitalFormat = *in.format;
    }
}

Emulator::~Emulator() {
    Uninstall();
    m_state.Stop(); // one that was never installed keeps its changes too
}

std::shared_ptr<Emulator> Emulator::Install(const Scenario& scenario) {
    auto emu = std::make_shared<Emulator>(scenario);
    emu->m_installed = true;
    emu->m_state.Start();
    sys::RegisterWaveDriver(emu);
    if (!scenario.faults.rundllFails) {
        std::weak_ptr<Emulator> weak = emu;
        sys::RegisterShellProgram("rundll.exe", [weak](const std::string& parameters) {
            if (auto e = weak.lock()) e->DriverConfig(parameters);
        });
    }
    emu->ScheduleEvents();
    return emu;
}

void Emulator::ScheduleEvents() {
    std::weak_ptr<Emulator> weak = weak_from_this();
    auto& clock = sys::CurrentClock();
    // On the real clock timers fire on the timer thread; a removal broadcast must reach the windows on
    // the thread that runs them, so it travels as a posted message.
    bool virtualClock = dynamic_cast<sys::VirtualClock*>(&clock) != nullptr;
    bool needWindow = !virtualClock && std::any_of(m_scenario.events.begin(), m_scenario.events.end(),
                                                   [](auto& e) { return e.action == "remove"; });
    if (needWindow) {
        m_eventWindow = sys::CreateWindowHandle([weak](HWND h, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
            auto e = weak.lock();
            if (e && msg == kRunEventMessage && wp < e->m_scenario.events.size()) {
                e->RunEvent(e->m_scenario.events[wp]);
                return 0;
            }
            return DefWindowProcA(h, msg, wp, lp);
        });
    }
    std::uint64_t now = clock.NowMs();
    std::vector<UINT> ids;
    for (std::size_t i = 0; i < m_scenario.events.size(); ++i) {
        const auto& ev = m_scenario.events[i];
        UINT delay =
            ev.atMs > now ? static_cast<UINT>(std::min<std::uint64_t>(ev.atMs - now, 0xFFFFFFFFu)) : 0;
        HWND window = m_eventWindow;
        bool post = needWindow && ev.action == "remove";
        ids.push_back(clock.AddTimer(delay, false, [weak, i, window, post](UINT) {
            if (post) {
                PostMessageA(window, kRunEventMessage, i, 0);
            } else if (auto e = weak.lock()) {
                e->RunEvent(e->m_scenario.events[i]);
            }
        }));
    }
    std::lock_guard lock(m_mutex);
    m_timers = std::move(ids);
    m_timerClock = &clock;
}

void Emulator::Uninstall() {
    std::vector<UINT> timers;
    HWND window{};
    sys::Clock* timerClock{};
    {
        std::lock_guard lock(m_mutex);
        if (!m_installed) return;
        timerClock = m_timerClock;
        m_installed = false;
        timers.swap(m_timers);
        window = m_eventWindow;
        m_eventWindow = nullptr;
    }
    // A clock replaced since (a reset of the system) took the timers with it, and its successor's ids
    // are not ours.
    if (!timers.empty() && &sys::CurrentClock() == timerClock)
        for (UINT id : timers)
            sys::CurrentClock().KillTimer(id);
    if (window && IsWindow(window)) DestroyWindow(window);
    // From the destructor no owner is left, and the system holds the driver no more.
    auto self = weak_from_this().lock();
    if (self) sys::UnregisterWaveDriver(self);
    m_state.Stop();
}

void Emulator::DefaultsLocked() {
    m_config = cardcore::ConfigStore(CardCount());
    for (int c = 0; c < CardCount(); ++c) {
        auto& card = m_cards[c];
        CardState& st = card.st;
        st = CardState{};
        st.extended = card.spec.extended;
        st.busy = card.spec.busy;
        st.state = card.spec.state;
        st.devnode = card.spec.devnode;
        st.gain.fill(0x80008000);   // unity
        st.volume.fill(0xFE00FE00); // top fader position
        // Each input monitors on its own pair, each output plays itself.
        st.routing[0] = Routing{kSourceLine, MonitorPairCode(0)}.Packed();
        st.routing[1] = Routing{kSourceLine, MonitorPairCode(1)}.Packed();
        st.routing[2] = Routing{kSourceOptical, MonitorPairCode(kDigitalPair)}.Packed();
        for (int p = 0; p < kPairsPerCard; ++p)
            st.source[p] = PlaySourceCode(p);
    }
}

void Emulator::LoadStateLocked() {
    std::vector<cardcore::StoredCard> stored;
    for (auto& card : m_cards) {
        const CardState& st = card.st;
        stored.push_back({st.gain, st.inputMute, st.routing, st.volume, st.outputMute, st.source,
                          st.digitalFormat, st.extended});
    }
    cardcore::ReadState(StateFilePath(), stored, m_config);
    for (std::size_t c = 0; c < m_cards.size(); ++c) {
        CardState& st = m_cards[c].st;
        const cardcore::StoredCard& s = stored[c];
        st.gain = s.gain;
        st.inputMute = s.inputMute;
        st.routing = s.routing;
        st.volume = s.volume;
        st.outputMute = s.outputMute;
        st.source = s.source;
        st.digitalFormat = s.digitalFormat;
    }
}

std::string Emulator::StateTextLocked() const {
    std::vector<cardcore::StoredCard> stored;
    for (auto& card : m_cards) {
        const CardState& st = card.st;
        stored.push_back({st.gain, st.inputMute, st.routing, st.volume, st.outputMute, st.source,
                          st.digitalFormat, st.extended});
    }
    return cardcore::StateText(stored, m_config);
}

void Emulator::StateChangedLocked() {
    if (m_scenario.persist) m_state.Changed();
}

std::size_t Emulator::StateFileWrites() const {
    return m_state.Writes();
}

// ---- settings ---------------------------------------------------------------------------------------

MMRESULT Emulator::ApplyLocked(Setting setting, int card, int pair, DWORD value, WORD& notifyClass) {
    notifyClass = 0;
    if (card < 0 || card >= CardCount()) return MMSYSERR_BADDEVICEID;
    CardData& cd = m_cards[card];
    if (cd.st.removed) return MMSYSERR_NODRIVER;
    if (setting == Setting::Format) pair = kDigitalPair;
    if (!Accepts(setting, cd.st, pair, value)) return MMSYSERR_INVALPARAM;
    FoldLevelsLocked(card); // peaks so far were made with the old settings
    CardState& st = cd.st;
    switch (setting) {
    case Setting::Volume:
        st.volume[pair] = value;
        notifyClass = kNotifyVolume;
        break;
    case Setting::OutputMute:
        st.outputMute[pair] = value;
        notifyClass = kNotifyMute;
        break;
    case Setting::Source:
        st.source[pair] = value;
        notifyClass = kNotifySource;
        break;
    case Setting::Routing:
        st.routing[pair] = value;
        break;
    case Setting::Format:
        st.digitalFormat = value;
        break;
    case Setting::Gain:
        st.gain[pair] = value;
        break;
    case Setting::InputMute:
        st.inputMute[pair] = value;
        break;
    }
    StateChangedLocked();
    return MMSYSERR_NOERROR;
}

std::vector<DWORD> Emulator::NoticesLocked(int card, int pair, WORD eventClass, std::uintptr_t except) const {
    if (!eventClass) return {};
    return m_notices.Records(card, pair, except);
}

MMRESULT Emulator::ExternalSet(Setting setting, int card, int pair, DWORD value) {
    std::vector<DWORD> records;
    WORD cls = 0;
    {
        std::lock_guard lock(m_mutex);
        MMRESULT r = ApplyLocked(setting, card, pair, value, cls);
        if (r != MMSYSERR_NOERROR) return r;
        records = NoticesLocked(card, setting == Setting::Format ? kDigitalPair : pair, cls, 0);
    }
    cardcore::NoticeBoard::Post(records, cls);
    return MMSYSERR_NOERROR;
}

MMRESULT Emulator::SetVolume(int card, int pair, DWORD packed) {
    return ExternalSet(Setting::Volume, card, pair, packed);
}
MMRESULT Emulator::SetOutputMute(int card, int pair, DWORD packed) {
    return ExternalSet(Setting::OutputMute, card, pair, packed);
}
MMRESULT Emulator::SetSource(int card, int pair, DWORD code) {
    return ExternalSet(Setting::Source, card, pair, code);
}
MMRESULT Emulator::SetRouting(int card, int pair, DWORD record) {
    return ExternalSet(Setting::Routing, card, pair, record);
}
MMRESULT Emulator::SetDigitalFormat(int card, DWORD format) {
    return ExternalSet(Setting::Format, card, kDigitalPair, format);
}
MMRESULT Emulator::SetGain(int card, int pair, DWORD packed) {
    return ExternalSet(Setting::Gain, card, pair, packed);
}
MMRESULT Emulator::SetInputMute(int card, int pair, DWORD packed) {
    return ExternalSet(Setting::InputMute, card, pair, packed);
}

void Emulator::SetBusy(int card, bool busy) {
    std::lock_guard lock(m_mutex);
    if (card >= 0 && card < CardCount()) m_cards[card].st.busy = busy;
}

bool Emulator::RemoveCard(int card) {
    DWORD devnode = 0;
    {
        std::lock_guard lock(m_mutex);
        if (card < 0 || card >= CardCount() || m_cards[card].st.removed) return false;
        devnode = m_cards[card].st.devnode;
    }
    // The windows answer the query on this thread and may talk to the driver meanwhile (configuration
    // requests, closing handles), so nothing is locked here.
    if (!sys::BroadcastDeviceChange(DBT_DEVICEQUERYREMOVE, devnode)) return false;
    {
        std::lock_guard lock(m_mutex);
        FoldLevelsLocked(card);
        m_cards[card].st.removed = true;
    }
    sys::BroadcastDeviceChange(DBT_DEVICEREMOVECOMPLETE, devnode);
    return true;
}

void Emulator::RunEvent(const ScheduledEvent& e) {
    const std::string& a = e.action;
    if (a == "remove")
        RemoveCard(e.card);
    else if (a == "set-volume")
        SetVolume(e.card, e.pair, e.value);
    else if (a == "set-mute")
        SetOutputMute(e.card, e.pair, e.value);
    else if (a == "set-source")
        SetSource(e.card, e.pair, e.value);
    else if (a == "set-routing")
        SetRouting(e.card, e.pair, e.value);
    else if (a == "set-format")
        SetDigitalFormat(e.card, e.value);
    else if (a == "set-gain")
        SetGain(e.card, e.pair, e.value);
    else if (a == "set-input-mute")
        SetInputMute(e.card, e.pair, e.value);
    else if (a == "set-busy")
        SetBusy(e.card, e.value != 0);
}

// ---- reading back -------------------------------------------------------------------------------------

CardState Emulator::Card(int card) const {
    std::lock_guard lock(m_mutex);
    if (card < 0 || card >= CardCount()) return {};
    return m_cards[card].st;
}

std::array<BYTE, kConfigRecordSize> Emulator::ConfigRecord() const {
    std::lock_guard lock(m_mutex);
    return m_config.Record();
}

bool Emulator::Released() const {
    std::lock_guard lock(m_mutex);
    return m_config.Released();
}

std::vector<HandleInfo> Emulator::Handles() const {
    std::lock_guard lock(m_mutex);
    std::vector<HandleInfo> list;
    for (auto& [id, h] : m_handles)
        list.push_back(HandleInfo{id, h.dir, h.device, h.card, h.pair, h.control, h.leveling});
    return list;
}

std::vector<NotifyRegistration> Emulator::Registrations() const {
    std::lock_guard lock(m_mutex);
    return m_notices.List();
}

std::array<DWORD, 2> Emulator::PeekLevels(std::uintptr_t handle) const {
    std::lock_guard lock(m_mutex);
    auto it = m_handles.find(handle);
    if (it == m_handles.end()) return {};
    return LevelsLocked(it->second, sys::CurrentClock().NowMs());
}

// ---- levels -------------------------------------------------------------------------------------------

double Emulator::InputPeakLocked(const CardData& card, int pair, int ch, std::uint64_t t0,
                                 std::uint64_t t1) const {
    double peak = card.spec.inputs[pair].Channel(ch).Peak(t0, t1);
    if (pair != kDigitalPair) {
        if (Word(card.st.inputMute[pair], ch)) return 0;
        peak *= GainFactor(Word(card.st.gain[pair], ch));
    }
    return std::min(peak, 32767.0);
}

double Emulator::OutputPeakLocked(const CardData& card, int pair, int ch, std::uint64_t t0,
                                  std::uint64_t t1) const {
    const CardState& st = card.st;
    if (pair != kDigitalPair && Word(st.outputMute[pair], ch)) return 0;
    int code = static_cast<int>(st.source[pair] & 0xFF);
    int from = code / 2;
    bool record = code % 2 == 1;
    double peak =
        record ? InputPeakLocked(card, from, ch, t0, t1) : card.spec.playback[from].Channel(ch).Peak(t0, t1);
    // Inputs monitored on this pair are mixed in; their crests are taken to coincide.
    for (int i = 0; i < kPairsPerCard; ++i) {
        Routing r = Routing::Unpack(st.routing[i]);
        if (r.monitorPair == MonitorPairCode(pair) && r.monitorMode != kMonitorOff && !(record && from == i))
            peak += InputPeakLocked(card, i, ch, t0, t1);
    }
    if (pair != kDigitalPair) peak *= VolumeFactor(Word(st.volume[pair], ch));
    return std::min(peak, 32767.0);
}

double Emulator::HandlePeakLocked(const OpenHandle& h, int ch, std::uint64_t t0, std::uint64_t t1) const {
    const CardData& card = m_cards[h.card];
    if (card.st.removed) return 0;
    return h.dir == sys::WaveDir::In ? InputPeakLocked(card, h.pair, ch, t0, t1)
                                     : OutputPeakLocked(card, h.pair, ch, t0, t1);
}

std::array<DWORD, 2> Emulator::LevelsLocked(const OpenHandle& h, std::uint64_t now) const {
    if (!h.leveling || h.card < 0) return {};
    std::array<DWORD, 2> levels{};
    for (int ch = 0; ch < 2; ++ch)
        levels[ch] = ToLevel(std::max(h.pending.Peek()[ch], HandlePeakLocked(h, ch, h.levelSince, now)));
    return levels;
}

void Emulator::FoldLevelsLocked(int card) {
    std::uint64_t now = sys::CurrentClock().NowMs();
    for (auto& [id, h] : m_handles) {
        // The last read already covered this very instant.
        if (!h.leveling || h.card != card || h.levelSince == now) continue;
        for (int ch = 0; ch < 2; ++ch)
            h.pending.Fold(ch, HandlePeakLocked(h, ch, h.levelSince, now));
        h.levelSince = now;
    }
}

// ---- transcript ---------------------------------------------------------------------------------------

void Emulator::SetTranscriptSink(TranscriptSink sink) {
    std::lock_guard lock(m_transcriptMutex);
    m_sink = std::move(sink);
}

void Emulator::KeepTranscript(bool keep) {
    std::lock_guard lock(m_transcriptMutex);
    m_keep = keep;
}

std::vector<std::string> Emulator::Transcript() const {
    std::lock_guard lock(m_transcriptMutex);
    return m_lines;
}

void Emulator::ClearTranscript() {
    std::lock_guard lock(m_transcriptMutex);
    m_lines.clear();
}

void Emulator::EmitLocked(const std::string& line) {
    std::lock_guard lock(m_transcriptMutex);
    if (m_sink) m_sink(line);
    if (m_keep) m_lines.push_back(line);
}

} // namespace emu
