#include "pulse/Driver.h"

#include "cardcore/Law.h"
#include "cardcore/Naming.h"
#include "cardcore/Records.h"
#include "cardcore/StateFile.h"
#include "cardcore/StoredState.h"
#include "system/krvl_protocol.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pulse {
namespace {

using sys::WaveDir;
using namespace krvl::proto;

constexpr UINT kRefreshMessage = WM_USER + 1; // the server reported a change
constexpr UINT kLostMessage = WM_USER + 2;    // the server went away
constexpr DWORD kDevnodeBase = 0x2000;
// Marks the modules this driver loads, so that routes left by a run that did not end are found again.
constexpr const char* kRouteMark = "KorvalinRoute";

WORD Word(DWORD packed, int ch) {
    return static_cast<WORD>(ch == 0 ? packed & 0xFFFF : packed >> 16);
}

bool IsControlOpen(const WAVEFORMATEX* fmt) {
    if (!fmt || fmt->cbSize < 4) return false;
    const char* extra = reinterpret_cast<const char*>(fmt) + sizeof(WAVEFORMATEX);
    return std::memcmp(extra, "CTRL", 4) == 0;
}

bool Write32(DWORD_PTR p1, std::initializer_list<DWORD> values) {
    if (p1 > 0xFFFFFFFFu) return false;
    return sys::AccessVdm16(static_cast<DWORD>(p1), static_cast<DWORD>(values.size() * 4), [&](BYTE* p) {
        for (DWORD v : values)
            for (int i = 0; i < 4; ++i)
                *p++ = static_cast<BYTE>(v >> (8 * i));
    });
}

// The server volume a word stands for, and the word a server volume stands for.
Volume ServerVolume(WaveDir dir, WORD word) {
    if (dir == WaveDir::In) return VolumeFromDb(cardcore::GainDb(word));
    auto db = cardcore::VolumeDb(word);
    return db ? VolumeFromDb(*db) : kVolumeMuted;
}

WORD WordOf(WaveDir dir, Volume v) {
    auto db = VolumeToDb(v);
    if (dir == WaveDir::Out) return cardcore::VolumeWord(db);
    return db ? cardcore::GainWord(*db) : cardcore::GainWord(-1000);
}

// A volume the server reports for one this driver set: servers may round what they are given.
bool SameVolume(Volume a, Volume b) {
    Volume d = a > b ? a - b : b - a;
    return d <= 2 + std::max(a, b) / 200;
}

std::string Positions(const std::array<int, 2>& p) {
    return PositionName(p[0]) + "," + PositionName(p[1]);
}

} // namespace

Driver::Driver(const Options& options)
    : m_state(sys::ResolveProfilePath(options.stateFile), [this] {
          std::lock_guard lock(m_mutex);
          return StateTextLocked();
      }) {}

Driver::~Driver() {
    Uninstall();
}

std::shared_ptr<Driver> Driver::Install(const Options& options) {
    auto d = std::make_shared<Driver>(options);
    if (!options.mapFile.empty()) d->m_map = MapFile::FromFile(options.mapFile);
    d->Connect(options);
    d->m_installed = true;
    d->m_state.Start();
    sys::RegisterWaveDriver(d);
    std::weak_ptr<Driver> weak = d;
    sys::RegisterShellProgram("rundll.exe", [weak](const std::string& parameters) {
        if (auto self = weak.lock()) self->DriverConfig(parameters);
    });
    d->StartEvents();
    return d;
}

void Driver::Connect(const Options& options) {
    m_server = Server::Connect(options.server, "Korvalin Manager", m_connectError);
    std::lock_guard lock(m_mutex);
    if (m_server) {
        m_server->SetCallTimeout(options.callTimeoutMs);
        if (!FetchLocked()) {
            m_connectError = "the server does not list its sinks and sources";
            m_server.reset();
        }
    }
    if (m_server) {
        std::vector<DeviceInfo> sinks, sources;
        for (auto& [name, d] : m_sinks)
            sinks.push_back(d);
        for (auto& [name, d] : m_sources)
            sources.push_back(d);
        // The server's order is its index order.
        auto byIndex = [](const DeviceInfo& a, const DeviceInfo& b) { return a.index < b.index; };
        std::sort(sinks.begin(), sinks.end(), byIndex);
        std::sort(sources.begin(), sources.end(), byIndex);
        Layout layout = Resolve(m_map ? &*m_map : nullptr, sinks, sources); // MapError goes to the caller
        for (std::size_t c = 0; c < layout.cards.size(); ++c) {
            CardStatus card;
            card.devnode = kDevnodeBase + static_cast<DWORD>(c);
            card.place = layout.cards[c];
            for (int p = 0; p < kPairs; ++p)
                card.source[p] = static_cast<DWORD>(2 * p); // each pair plays itself
            card.routing[0] = kSourceLine | 1 << 8;
            card.routing[1] = kSourceLine | 2 << 8;
            card.routing[2] = kSourceOptical | 3 << 8;
            for (int p = 0; p < 2; ++p) {
                card.outputs[p].word = {0xFE00, 0xFE00};
                card.inputs[p].word = {0x8000, 0x8000};
            }
            m_cards.push_back(card);
        }
        // Each pair of every card before the next pair, as a real system lists them.
        for (int p = 0; p < kPairs; ++p)
            for (int c = 0; c < static_cast<int>(m_cards.size()); ++c) {
                m_in.push_back(Device{WaveDir::In, c, p});
                m_out.push_back(Device{WaveDir::Out, c, p});
            }
        // What the server has now counts as set by this driver.
        for (int c = 0; c < CardCount(); ++c)
            for (int p = 0; p < 2; ++p)
                for (WaveDir dir : {WaveDir::In, WaveDir::Out}) {
                    const PairPlace& place =
                        dir == WaveDir::In ? m_cards[c].place.inputs[p] : m_cards[c].place.outputs[p];
                    PairLevels& lv = dir == WaveDir::In ? m_cards[c].inputs[p] : m_cards[c].outputs[p];
                    const DeviceInfo* d = place.Present() ? CachedLocked(dir, place.device) : nullptr;
                    if (!d) continue;
                    for (int ch = 0; ch < 2; ++ch) {
                        lv.applied[ch] = d->volume[place.channelIndex[ch]];
                        lv.word[ch] = WordOf(dir, lv.applied[ch]);
                    }
                    lv.serverMute = d->mute;
                }
        // Routes a run that did not end left behind: the loopbacks first, then the sinks they played to.
        if (auto modules = m_server->Modules())
            for (bool loopbacks : {true, false})
                for (auto& m : *modules)
                    if (m.argument.find(kRouteMark) != std::string::npos &&
                        (m.name == "module-loopback") == loopbacks)
                        m_server->UnloadModule(m.index);
    }
    m_config = cardcore::ConfigStore(CardCount());
    LoadStateLocked();
    if (m_server) SyncRoutesLocked();
}

void Driver::StartEvents() {
    std::weak_ptr<Driver> weak = weak_from_this();
    m_window = sys::CreateWindowHandle([weak](HWND h, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
        if (auto self = weak.lock()) return self->EventProc(h, msg, wp, lp);
        return DefWindowProcA(h, msg, wp, lp);
    });
    if (!m_server) return;
    HWND window = m_window;
    auto* posted = &m_refreshPosted;
    // The driver outlives the subscription: Uninstall drops the server before the driver goes.
    m_server->Subscribe(
        [window, posted](Facility facility, Change, std::uint32_t) {
            if (facility != Facility::Sink && facility != Facility::Source && facility != Facility::Server)
                return;
            // One refresh answers any number of reports that arrive before it runs.
            if (!posted->exchange(true)) PostMessageA(window, kRefreshMessage, 0, 0);
        },
        [window] { PostMessageA(window, kLostMessage, 0, 0); });
}

LRESULT Driver::EventProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kRefreshMessage) {
        m_refreshPosted = false;
        Refresh();
        return 0;
    }
    if (msg == kLostMessage) {
        ServerLost();
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

void Driver::Uninstall() {
    std::unique_ptr<Server> server;
    std::map<std::string, Meter> meters;
    HWND window{};
    {
        std::lock_guard lock(m_mutex);
        if (!m_installed) return;
        m_installed = false;
        if (m_server) {
            for (auto& r : m_routes) {
                m_server->UnloadModule(r.loopback);
                if (r.remap) m_server->UnloadModule(*r.remap);
            }
        }
        m_routes.clear();
        std::lock_guard levels(m_levelMutex);
        meters.swap(m_meters);
        server = std::move(m_server);
        window = m_window;
        m_window = nullptr;
    }
    meters.clear(); // the streams stop before their connection goes
    server.reset();
    if (window && IsWindow(window)) DestroyWindow(window);
    auto self = weak_from_this().lock();
    if (self) sys::UnregisterWaveDriver(self);
    m_state.Stop();
}

// ---- state ---------------------------------------------------------------------------------------------

bool Driver::Connected() const {
    std::lock_guard lock(m_mutex);
    return m_server && m_server->Connected();
}

int Driver::CardCount() const {
    return static_cast<int>(m_cards.size());
}

CardStatus Driver::Card(int card) const {
    std::lock_guard lock(m_mutex);
    if (card < 0 || card >= CardCount()) return {};
    return m_cards[card];
}

std::vector<Route> Driver::Routes() const {
    std::lock_guard lock(m_mutex);
    std::vector<Route> list;
    for (auto& r : m_routes)
        list.push_back(r.route);
    return list;
}

std::size_t Driver::MeterStreams() const {
    std::lock_guard lock(m_mutex);
    return m_meters.size();
}

cardcore::ConfigRecord Driver::ConfigRecord() const {
    std::lock_guard lock(m_mutex);
    return m_config.Record();
}

bool Driver::Released() const {
    std::lock_guard lock(m_mutex);
    return m_config.Released();
}

const std::string& Driver::StateFilePath() const {
    return m_state.Path();
}

std::vector<cardcore::StoredCard> Driver::StoredLocked() const {
    std::vector<cardcore::StoredCard> stored;
    for (const CardStatus& card : m_cards) {
        cardcore::StoredCard s;
        for (int p = 0; p < 2; ++p) {
            auto mutes = [&](const PairLevels& lv) {
                return PackStereo(lv.muted[0] ? 0xFFFF : 0, lv.muted[1] ? 0xFFFF : 0);
            };
            s.gain[p] = PackStereo(card.inputs[p].word[0], card.inputs[p].word[1]);
            s.inputMute[p] = mutes(card.inputs[p]);
            s.volume[p] = PackStereo(card.outputs[p].word[0], card.outputs[p].word[1]);
            s.outputMute[p] = mutes(card.outputs[p]);
        }
        s.routing = card.routing;
        s.source = card.source;
        s.digitalFormat = card.digitalFormat;
        s.extended = card.place.extended;
        stored.push_back(s);
    }
    return stored;
}

void Driver::LoadStateLocked() {
    std::vector<cardcore::StoredCard> stored = StoredLocked();
    cardcore::ReadState(m_state.Path(), stored, m_config);
    for (int c = 0; c < CardCount(); ++c) {
        CardStatus& card = m_cards[c];
        const cardcore::StoredCard& s = stored[c];
        card.routing = s.routing;
        card.source = s.source;
        card.digitalFormat = s.digitalFormat;
        for (int p = 0; p < 2; ++p)
            for (WaveDir dir : {WaveDir::In, WaveDir::Out}) {
                bool in = dir == WaveDir::In;
                PairLevels& lv = in ? card.inputs[p] : card.outputs[p];
                bool present = (in ? card.place.inputs[p] : card.place.outputs[p]).Present();
                DWORD words = in ? s.gain[p] : s.volume[p];
                DWORD mutes = in ? s.inputMute[p] : s.outputMute[p];
                for (int ch = 0; ch < 2; ++ch) {
                    bool muted = Word(mutes, ch) != 0;
                    // The server keeps the volumes of its own devices; a channel muted here is silent
                    // there and its volume word lives only in this file.
                    if (present && !(muted && lv.applied[ch] == kVolumeMuted)) continue;
                    lv.word[ch] = Word(words, ch);
                    lv.muted[ch] = muted;
                }
            }
    }
}

std::string Driver::StateTextLocked() const {
    return cardcore::StateText(StoredLocked(), m_config);
}

// ---- what the server has --------------------------------------------------------------------------------

bool Driver::FetchLocked() {
    if (!m_server) return false;
    // A server that does not answer the first call is not asked the second: one time-out is enough.
    auto sinks = m_server->Sinks();
    if (!sinks) return false;
    auto sources = m_server->Sources();
    if (!sources) return false;
    m_sinks.clear();
    m_sources.clear();
    for (auto& d : *sinks)
        m_sinks[d.name] = d;
    for (auto& d : *sources)
        m_sources[d.name] = d;
    return true;
}

const DeviceInfo* Driver::CachedLocked(WaveDir dir, const std::string& name) const {
    const auto& cache = dir == WaveDir::In ? m_sources : m_sinks;
    auto it = cache.find(name);
    return it == cache.end() ? nullptr : &it->second;
}

void Driver::ReconcileLocked(std::vector<std::pair<std::array<int, 2>, WORD>>& notices) {
    for (int c = 0; c < CardCount(); ++c) {
        CardStatus& card = m_cards[c];
        if (card.removed) continue;
        for (int p = 0; p < 2; ++p)
            for (WaveDir dir : {WaveDir::In, WaveDir::Out}) {
                bool in = dir == WaveDir::In;
                const PairPlace& place = in ? card.place.inputs[p] : card.place.outputs[p];
                PairLevels& lv = in ? card.inputs[p] : card.outputs[p];
                const DeviceInfo* d = place.Present() ? CachedLocked(dir, place.device) : nullptr;
                if (!d) continue;
                DWORD volumeBefore = PackStereo(lv.word[0], lv.word[1]);
                DWORD muteBefore = PackedMute(lv);
                for (int ch = 0; ch < 2; ++ch) {
                    Volume v = d->volume[place.channelIndex[ch]];
                    if (SameVolume(v, lv.applied[ch])) continue;
                    // Another program set this channel; a channel it raised is muted no more.
                    lv.applied[ch] = v;
                    lv.muted[ch] = false;
                    lv.word[ch] = WordOf(dir, v);
                }
                lv.serverMute = d->mute;
                if (in) continue;
                if (PackStereo(lv.word[0], lv.word[1]) != volumeBefore)
                    notices.push_back({{c, p}, kNotifyVolume});
                if (PackedMute(lv) != muteBefore) notices.push_back({{c, p}, kNotifyMute});
            }
    }
}

void Driver::Refresh() {
    std::vector<std::pair<std::vector<DWORD>, WORD>> posts;
    std::vector<int> gone;
    {
        std::lock_guard lock(m_mutex);
        if (!m_installed || !m_server || !FetchLocked()) return;
        for (int c = 0; c < CardCount(); ++c) {
            if (m_cards[c].removed) continue;
            const CardPlace& place = m_cards[c].place;
            bool missing = false;
            for (int p = 0; p < kPairs; ++p) {
                missing |= place.outputs[p].Present() && !CachedLocked(WaveDir::Out, place.outputs[p].device);
                missing |= place.inputs[p].Present() && !CachedLocked(WaveDir::In, place.inputs[p].device);
            }
            if (missing) gone.push_back(c);
        }
        std::vector<std::pair<std::array<int, 2>, WORD>> notices;
        ReconcileLocked(notices);
        for (auto& [at, cls] : notices)
            posts.push_back({m_notices.Records(at[0], at[1]), cls});
    }
    for (auto& [records, cls] : posts)
        cardcore::NoticeBoard::Post(records, cls);
    for (int c : gone)
        RemoveCard(c);
}

void Driver::ServerLost() {
    int cards = 0;
    {
        std::lock_guard lock(m_mutex);
        if (!m_installed) return;
        cards = CardCount();
    }
    for (int c = 0; c < cards; ++c)
        RemoveCard(c);
}

void Driver::RemoveCard(int card) {
    DWORD devnode = 0;
    {
        std::lock_guard lock(m_mutex);
        if (card < 0 || card >= CardCount() || m_cards[card].removed) return;
        devnode = m_cards[card].devnode;
    }
    // The windows answer the query on this thread and may talk to the driver meanwhile (configuration
    // requests, closing handles), so nothing is locked here.
    if (!sys::BroadcastDeviceChange(DBT_DEVICEQUERYREMOVE, devnode)) return;
    {
        std::lock_guard lock(m_mutex);
        m_cards[card].removed = true;
    }
    sys::BroadcastDeviceChange(DBT_DEVICEREMOVECOMPLETE, devnode);
}

// ---- the configuration entry ---------------------------------------------------------------------------

void Driver::DriverConfig(const std::string& commandLine) {
    auto command = cardcore::ConfigCommand::Parse(commandLine);
    {
        std::lock_guard lock(m_mutex);
        if (command.wellFormed) {
            cardcore::StateRecord states{1, 0, 0, 0, 0};
            for (int c = 0; c < CardCount(); ++c)
                states[c + 1] = 1;
            // Nothing holds the cards' devices but control opens, so the settings may change at any time.
            if (m_config.Serve(command.request, command.data, states, 1)) m_state.Changed();
        }
    }
    command.Complete();
}

// ---- sys::WaveDriver -------------------------------------------------------------------------------------

UINT Driver::DeviceCount(WaveDir dir) {
    return static_cast<UINT>((dir == WaveDir::In ? m_in : m_out).size());
}

bool Driver::Caps(WaveDir dir, UINT localId, sys::WaveCaps& caps) {
    const auto& list = dir == WaveDir::In ? m_in : m_out;
    if (localId >= list.size()) return false;
    const Device& d = list[localId];
    bool digital = d.pair == kDigitalPair;
    caps.mid = kManufacturerId;
    caps.pid = dir == WaveDir::In ? (digital ? kPidDigitalIn : kPidAnalogIn)
                                  : (digital ? kPidDigitalOut : kPidAnalogOut);
    caps.driverVersion = 0x0100;
    caps.name = cardcore::DeviceName(dir, d.card, d.pair);
    caps.formats = 0x0FFF;
    caps.channels = 2;
    caps.support = dir == WaveDir::Out ? 0x000C : 0; // volume, separate left and right
    return true;
}

MMRESULT Driver::Open(WaveDir dir, UINT localId, const WAVEFORMATEX* fmt, DWORD_PTR, DWORD_PTR, DWORD flags,
                      std::uintptr_t& handle) {
    std::lock_guard lock(m_mutex);
    handle = 0;
    const auto& list = dir == WaveDir::In ? m_in : m_out;
    if (localId >= list.size()) return MMSYSERR_BADDEVICEID;
    if (!fmt) return MMSYSERR_INVALPARAM;
    DWORD callbackType = flags & CALLBACK_TYPEMASK;
    if (callbackType != CALLBACK_NULL && callbackType != CALLBACK_WINDOW && callbackType != CALLBACK_FUNCTION)
        return MMSYSERR_INVALFLAG;
    const Device& d = list[localId];
    if (m_cards[d.card].removed) return MMSYSERR_NODRIVER;
    // Sound itself goes through the server's own devices; the card's devices carry control opens only.
    if (!IsControlOpen(fmt)) return MMSYSERR_NOTSUPPORTED;
    handle = m_nextHandle++;
    m_handles[handle] = OpenHandle{dir, d.card, d.pair, false};
    return MMSYSERR_NOERROR;
}

MMRESULT Driver::Close(WaveDir dir, std::uintptr_t handle) {
    {
        std::lock_guard lock(m_mutex);
        auto it = m_handles.find(handle);
        if (it == m_handles.end() || it->second.dir != dir) return MMSYSERR_INVALHANDLE;
    }
    StopLeveling(handle);
    std::lock_guard lock(m_mutex);
    m_handles.erase(handle);
    m_notices.DropHandle(handle);
    return MMSYSERR_NOERROR;
}

DWORD Driver::Message(WaveDir dir, std::uintptr_t handle, UINT msg, DWORD_PTR p1, DWORD_PTR) {
    // Leveling starts and stops streams, which must not happen under the driver's lock.
    if (msg == DRVM_OUT_ENABLE_LEVELING || msg == DRVM_OUT_DISABLE_LEVELING ||
        msg == DRVM_IN_ENABLE_LEVELING || msg == DRVM_IN_DISABLE_LEVELING) {
        OpenHandle h;
        {
            std::lock_guard lock(m_mutex);
            auto it = m_handles.find(handle);
            if (it == m_handles.end() || it->second.dir != dir) return MMSYSERR_INVALHANDLE;
            if (m_cards[it->second.card].removed) return MMSYSERR_NODRIVER;
            bool in = msg == DRVM_IN_ENABLE_LEVELING || msg == DRVM_IN_DISABLE_LEVELING;
            if (in != (dir == WaveDir::In)) return MMSYSERR_NOTSUPPORTED;
            h = it->second;
        }
        if (msg == DRVM_OUT_ENABLE_LEVELING || msg == DRVM_IN_ENABLE_LEVELING)
            return StartLeveling(handle, h);
        StopLeveling(handle);
        return MMSYSERR_NOERROR;
    }
    std::vector<DWORD> records;
    WORD cls = 0;
    DWORD r = MMSYSERR_NOERROR;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_handles.find(handle);
        if (it == m_handles.end() || it->second.dir != dir) return MMSYSERR_INVALHANDLE;
        OpenHandle& h = it->second;
        if (m_cards[h.card].removed) return MMSYSERR_NODRIVER;
        r = MessageLocked(h, handle, msg, p1, cls);
        // Other windows that watch this output follow a change made here.
        if (r == MMSYSERR_NOERROR && cls) records = m_notices.Records(h.card, h.pair, handle);
    }
    cardcore::NoticeBoard::Post(records, cls);
    return r;
}

DWORD Driver::MessageLocked(OpenHandle& h, std::uintptr_t id, UINT msg, DWORD_PTR p1, WORD& cls) {
    const bool in = h.dir == WaveDir::In;
    CardStatus& card = m_cards[h.card];
    const int pair = h.pair;
    const bool analog = pair == 0 || pair == 1;
    auto answer = [&](std::initializer_list<DWORD> values) -> DWORD {
        return Write32(p1, values) ? MMSYSERR_NOERROR : MMSYSERR_INVALPARAM;
    };
    if (p1 > 0xFFFFFFFFu) return MMSYSERR_INVALPARAM;
    const auto value = static_cast<DWORD>(p1);

    switch (msg) {
    case DRVM_OUT_GET_MUTE:
        if (in || !analog) break;
        return answer({PackedMute(card.outputs[pair])});
    case DRVM_OUT_SET_MUTE: {
        if (in || !analog) break;
        MMRESULT r = SetMuteLocked(h.card, WaveDir::Out, pair, value);
        if (r == MMSYSERR_NOERROR) cls = kNotifyMute;
        return r;
    }
    case DRVM_OUT_GET_LEVELS:
    case DRVM_IN_GET_LEVELS: {
        if (in != (msg == DRVM_IN_GET_LEVELS)) break;
        std::array<DWORD, 2> levels{};
        {
            std::lock_guard lock(m_levelMutex);
            if (h.leveling) levels = m_peaks[id].Take();
        }
        return answer({levels[0], levels[1]});
    }
    case DRVM_OUT_GET_SOURCE:
        if (in) break;
        return answer({card.source[pair]});
    case DRVM_OUT_SET_SOURCE: {
        if (in) break;
        if (!cardcore::ValidSource(value)) return MMSYSERR_INVALPARAM;
        if (MMRESULT r = SetRoutedLocked(card.source[pair], value); r != MMSYSERR_NOERROR) return r;
        cls = kNotifySource;
        return MMSYSERR_NOERROR;
    }
    case DRVM_OUT_GET_DIGITAL_STATUS:
        if (in || pair != kDigitalPair) break;
        return answer({(card.digitalFormat & 1) | (card.place.extended ? 2u : 0u)});
    case DRVM_OUT_SET_DIGITAL_FORMAT:
        if (in || pair != kDigitalPair) break;
        if (!cardcore::ValidFormat(value)) return MMSYSERR_INVALPARAM;
        card.digitalFormat = value;
        m_state.Changed();
        return MMSYSERR_NOERROR;
    case DRVM_OUT_REGISTER_NOTIFY:
        if (in) break;
        return m_notices.Register(id, h.card, pair, p1);
    case DRVM_OUT_UNREGISTER_NOTIFY:
        if (in) break;
        return m_notices.Unregister(id, p1);
    case DRVM_OUT_GET_DEVNODE:
        if (in || pair != 0) break;
        return answer({card.devnode});
    case WODM_GETVOLUME:
        if (in || !analog) break;
        return answer({PackStereo(card.outputs[pair].word[0], card.outputs[pair].word[1])});
    case WODM_SETVOLUME: {
        if (in || !analog) break;
        MMRESULT r = SetWordsLocked(h.card, WaveDir::Out, pair, value);
        if (r == MMSYSERR_NOERROR) cls = kNotifyVolume;
        return r;
    }
    case DRVM_IN_GET_GAIN:
        if (!in || !analog) break;
        return answer({PackStereo(card.inputs[pair].word[0], card.inputs[pair].word[1])});
    case DRVM_IN_SET_GAIN:
        if (!in || !analog) break;
        return SetWordsLocked(h.card, WaveDir::In, pair, value);
    case DRVM_IN_GET_ROUTING:
        if (!in) break;
        return answer({card.routing[pair]});
    case DRVM_IN_SET_ROUTING: {
        if (!in) break;
        if (!cardcore::ValidRouting(pair, value, card.place.extended)) return MMSYSERR_INVALPARAM;
        return SetRoutedLocked(card.routing[pair], value);
    }
    case DRVM_IN_GET_MUTE:
        if (!in || !analog) break;
        return answer({PackedMute(card.inputs[pair])});
    case DRVM_IN_SET_MUTE:
        if (!in || !analog) break;
        return SetMuteLocked(h.card, WaveDir::In, pair, value);
    default:
        break;
    }
    // Unknown, or not a message for this kind of device.
    return MMSYSERR_NOTSUPPORTED;
}

MMRESULT Driver::SetRoutedLocked(DWORD& field, DWORD value) {
    DWORD before = field;
    field = value;
    if (MMRESULT r = SyncRoutesLocked(); r != MMSYSERR_NOERROR) {
        field = before; // the server refused: what it carries stays what the driver says
        SyncRoutesLocked();
        return r;
    }
    m_state.Changed();
    return MMSYSERR_NOERROR;
}

DWORD Driver::PackedMute(const PairLevels& lv) const {
    // A mute set on the server as a whole silences both channels.
    bool left = lv.serverMute || lv.muted[0], right = lv.serverMute || lv.muted[1];
    return PackStereo(left ? 0xFFFF : 0, right ? 0xFFFF : 0);
}

MMRESULT Driver::SetWordsLocked(int c, WaveDir dir, int pair, DWORD packed) {
    CardStatus& card = m_cards[c];
    PairLevels next = dir == WaveDir::In ? card.inputs[pair] : card.outputs[pair];
    next.word = {Word(packed, 0), Word(packed, 1)};
    if (MMRESULT r = ApplyLocked(c, dir, pair, next); r != MMSYSERR_NOERROR) return r;
    (dir == WaveDir::In ? card.inputs[pair] : card.outputs[pair]) = next;
    m_state.Changed();
    return MMSYSERR_NOERROR;
}

MMRESULT Driver::SetMuteLocked(int c, WaveDir dir, int pair, DWORD packed) {
    CardStatus& card = m_cards[c];
    PairLevels next = dir == WaveDir::In ? card.inputs[pair] : card.outputs[pair];
    next.muted = {Word(packed, 0) != 0, Word(packed, 1) != 0};
    const PairPlace& place = dir == WaveDir::In ? card.place.inputs[pair] : card.place.outputs[pair];
    // The user's mute replaces one set on the server as a whole: the channels then mute one by one.
    if (next.serverMute && place.Present()) {
        bool ok = dir == WaveDir::In ? m_server && m_server->SetSourceMute(place.device, false)
                                     : m_server && m_server->SetSinkMute(place.device, false);
        if (!ok) return MMSYSERR_ERROR;
        next.serverMute = false;
    }
    if (MMRESULT r = ApplyLocked(c, dir, pair, next); r != MMSYSERR_NOERROR) return r;
    (dir == WaveDir::In ? card.inputs[pair] : card.outputs[pair]) = next;
    m_state.Changed();
    return MMSYSERR_NOERROR;
}

MMRESULT Driver::ApplyLocked(int c, WaveDir dir, int pair, PairLevels& next) {
    CardStatus& card = m_cards[c];
    const PairPlace& place = dir == WaveDir::In ? card.place.inputs[pair] : card.place.outputs[pair];
    if (!place.Present()) return MMSYSERR_NOERROR; // a silent device keeps its settings only
    if (!m_server || !FetchLocked()) return MMSYSERR_ERROR;
    const DeviceInfo* d = CachedLocked(dir, place.device);
    if (!d) return MMSYSERR_NODRIVER;
    std::vector<Volume> volume = d->volume;
    for (int ch = 0; ch < 2; ++ch) {
        next.applied[ch] = next.muted[ch] ? kVolumeMuted : ServerVolume(dir, next.word[ch]);
        volume[place.channelIndex[ch]] = next.applied[ch];
    }
    bool ok = dir == WaveDir::In ? m_server->SetSourceVolume(place.device, volume)
                                 : m_server->SetSinkVolume(place.device, volume);
    if (!ok) return MMSYSERR_ERROR;
    auto& cache = dir == WaveDir::In ? m_sources : m_sinks;
    cache[place.device].volume = volume;
    return MMSYSERR_NOERROR;
}

// ---- routes --------------------------------------------------------------------------------------------

std::vector<Route> Driver::WantedRoutesLocked() const {
    std::vector<Route> wanted;
    auto add = [&](const std::string& from, const std::array<int, 2>& fromPositions, const PairPlace& to) {
        if (from.empty() || !to.Present()) return;
        Route r{from, fromPositions, to.device, to.positions};
        if (std::find(wanted.begin(), wanted.end(), r) == wanted.end()) wanted.push_back(r);
    };
    for (const CardStatus& card : m_cards) {
        if (card.removed) continue;
        const CardPlace& place = card.place;
        for (int p = 0; p < kPairs; ++p) {
            DWORD code = card.source[p] & 0xFF;
            int from = static_cast<int>(code / 2);
            bool record = code % 2 == 1;
            if (code > 5 || (!record && from == p)) continue; // the output's own playback needs no route
            const PairPlace& src = record ? place.inputs[from] : place.outputs[from];
            add(record ? src.device : src.monitor, src.positions, place.outputs[p]);
        }
        for (int i = 0; i < kPairs; ++i) {
            int monitor = (card.routing[i] >> 8) & 0xFF, mode = (card.routing[i] >> 16) & 0xFF;
            if (monitor < 1 || monitor > 3 || mode == 0) continue;
            add(place.inputs[i].device, place.inputs[i].positions, place.outputs[monitor - 1]);
        }
    }
    return wanted;
}

MMRESULT Driver::SyncRoutesLocked() {
    std::vector<Route> wanted = WantedRoutesLocked();
    MMRESULT result = MMSYSERR_NOERROR;
    for (auto it = m_routes.begin(); it != m_routes.end();) {
        if (std::find(wanted.begin(), wanted.end(), it->route) != wanted.end()) {
            ++it;
            continue;
        }
        bool ok = m_server && m_server->UnloadModule(it->loopback);
        if (it->remap && m_server) m_server->UnloadModule(*it->remap);
        if (!ok && m_server && m_server->Connected()) result = MMSYSERR_ERROR;
        it = m_routes.erase(it);
    }
    for (const Route& r : wanted) {
        if (std::any_of(m_routes.begin(), m_routes.end(), [&](auto& a) { return a.route == r; })) continue;
        if (!m_server) return MMSYSERR_ERROR;
        ActiveRoute active{r, 0, std::nullopt};
        std::string target = r.toSink;
        std::string channels = "channels=2 channel_map=" + Positions(r.fromPositions);
        if (r.fromPositions != r.toPositions) {
            // The loopback plays at the source's positions; a remapping sink puts them where the output is.
            target = "krvl_route_" + std::to_string(++m_routeSerial);
            auto remap = m_server->LoadModule(
                "module-remap-sink", "sink_name=" + target + " master=" + r.toSink + " " + channels +
                                         " master_channel_map=" + Positions(r.toPositions) +
                                         " remix=no sink_properties=device.description=" + kRouteMark);
            if (!remap) return MMSYSERR_ERROR;
            active.remap = remap;
        }
        auto loopback = m_server->LoadModule(
            "module-loopback", "source=" + r.fromSource + " sink=" + target + " " + channels +
                                   " remix=no latency_msec=20 source_dont_move=true sink_dont_move=true "
                                   "sink_input_properties=media.name=" +
                                   kRouteMark + " source_output_properties=media.name=" + kRouteMark);
        if (!loopback) {
            if (active.remap) m_server->UnloadModule(*active.remap);
            return MMSYSERR_ERROR;
        }
        active.loopback = *loopback;
        m_routes.push_back(active);
    }
    return result;
}

// ---- leveling ------------------------------------------------------------------------------------------

const PairPlace* Driver::MeterPlaceLocked(const OpenHandle& h) const {
    const CardPlace& place = m_cards[h.card].place;
    const PairPlace& p = h.dir == WaveDir::In ? place.inputs[h.pair] : place.outputs[h.pair];
    return p.Present() ? &p : nullptr;
}

MMRESULT Driver::StartLeveling(std::uintptr_t id, const OpenHandle& h) {
    std::string key, source;
    std::array<int, 2> positions{};
    {
        std::lock_guard lock(m_mutex);
        auto it = m_handles.find(id);
        if (it == m_handles.end()) return MMSYSERR_INVALHANDLE;
        std::lock_guard levels(m_levelMutex);
        m_peaks[id].Reset();
        if (it->second.leveling) return MMSYSERR_NOERROR; // a new interval on the stream it has
        const PairPlace* place = MeterPlaceLocked(h);
        if (!place) {
            it->second.leveling = true; // a silent device meters silence
            return MMSYSERR_NOERROR;
        }
        if (!m_server) return MMSYSERR_ERROR;
        source = h.dir == WaveDir::In ? place->device : place->monitor;
        positions = place->positions;
        key = source + "|" + Positions(positions);
        if (auto found = m_meters.find(key); found != m_meters.end()) {
            it->second.leveling = true;
            found->second.handles.push_back(id);
            return MMSYSERR_NOERROR;
        }
    }
    // Made without the driver's locks: making a stream waits for the connection's thread, which takes
    // the level lock to hand over peaks.
    auto onPeaks = [this, key](const float* peaks, int channels) {
        std::lock_guard levels(m_levelMutex);
        auto it = m_meters.find(key);
        if (it == m_meters.end()) return;
        for (std::uintptr_t handle : it->second.handles) {
            auto& hold = m_peaks[handle];
            for (int ch = 0; ch < 2 && ch < channels; ++ch)
                hold.Fold(ch, peaks[ch] * cardcore::kLevelFullScale);
        }
    };
    std::unique_ptr<Server::PeakStream> stream =
        m_server->RecordPeaks(source, {positions[0], positions[1]}, onPeaks);
    if (!stream) return MMSYSERR_ERROR;
    std::unique_ptr<Server::PeakStream> spare; // stopped after the locks below are let go
    std::lock_guard lock(m_mutex);
    // The peak handler reads the meters under the level lock, so they change under both.
    std::lock_guard levels(m_levelMutex);
    auto it = m_handles.find(id);
    if (it == m_handles.end()) {
        spare = std::move(stream);
        return MMSYSERR_INVALHANDLE;
    }
    it->second.leveling = true;
    Meter& meter = m_meters[key];
    meter.handles.push_back(id);
    if (meter.stream)
        spare = std::move(stream);
    else
        meter.stream = std::move(stream);
    return MMSYSERR_NOERROR;
}

void Driver::StopLeveling(std::uintptr_t id) {
    std::unique_ptr<Server::PeakStream> stopped;
    {
        std::lock_guard lock(m_mutex);
        std::lock_guard levels(m_levelMutex);
        if (auto it = m_handles.find(id); it != m_handles.end()) it->second.leveling = false;
        m_peaks.erase(id);
        for (auto it = m_meters.begin(); it != m_meters.end(); ++it) {
            std::erase(it->second.handles, id);
            if (it->second.handles.empty()) {
                stopped = std::move(it->second.stream);
                m_meters.erase(it);
                break;
            }
        }
    }
    stopped.reset(); // outside both locks: stopping waits for the connection's thread
}

} // namespace pulse
