#include "pulse/Server.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>

namespace pulse {

Volume VolumeFromDb(double db) {
    return pa_sw_volume_from_dB(db);
}

std::optional<double> VolumeToDb(Volume v) {
    if (v == PA_VOLUME_MUTED) return std::nullopt;
    return pa_sw_volume_to_dB(v);
}

int PositionFromName(const std::string& name) {
    pa_channel_position_t p = pa_channel_position_from_string(name.c_str());
    return p == PA_CHANNEL_POSITION_INVALID ? -1 : static_cast<int>(p);
}

std::string PositionName(int position) {
    const char* s = pa_channel_position_to_string(static_cast<pa_channel_position_t>(position));
    return s ? s : "";
}

struct Server::Impl {
    pa_threaded_mainloop* loop{};
    pa_context* context{};
    std::atomic<int> timeoutMs{500};
    std::atomic<bool> ready{};
    std::atomic<bool> closing{};

    // Connection state, for Connect's wait.
    std::mutex stateMutex;
    std::condition_variable stateChanged;
    pa_context_state_t state{PA_CONTEXT_UNCONNECTED};

    std::mutex handlerMutex;
    ChangeHandler onChange;
    LossHandler onLoss;

    ~Impl() {
        if (!loop) return;
        closing = true;
        if (context) {
            pa_threaded_mainloop_lock(loop);
            pa_context_set_state_callback(context, nullptr, nullptr);
            pa_context_set_subscribe_callback(context, nullptr, nullptr);
            pa_context_disconnect(context);
            pa_context_unref(context);
            pa_threaded_mainloop_unlock(loop);
        }
        pa_threaded_mainloop_stop(loop);
        pa_threaded_mainloop_free(loop);
    }

    std::chrono::milliseconds Timeout() const { return std::chrono::milliseconds(timeoutMs.load()); }
};

namespace {

// Holds the main loop's lock; callbacks run under it, so nothing they touch changes meanwhile.
class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop* loop) : m_loop(loop) { pa_threaded_mainloop_lock(m_loop); }
    ~LoopLock() { pa_threaded_mainloop_unlock(m_loop); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    pa_threaded_mainloop* m_loop;
};

// One call's answer, filled on the connection's thread. The caller keeps it alive until the operation
// has finished or was cancelled under the loop lock, so a late answer never writes into freed memory.
template <class T> struct Call {
    std::mutex mutex;
    std::condition_variable finished;
    bool done{};
    std::optional<T> value;
    T partial{}; // list answers arrive one item at a time

    void Finish(std::optional<T> v) {
        {
            std::lock_guard lock(mutex);
            if (done) return;
            value = std::move(v);
            done = true;
        }
        finished.notify_all();
    }
};

// Starts an operation with start(call) under the loop lock and waits for its answer up to the time-out.
template <class T, class Start> std::optional<T> Run(Server::Impl& s, Start start) {
    if (!s.ready) return std::nullopt;
    auto call = std::make_shared<Call<T>>();
    pa_operation* op = nullptr;
    {
        LoopLock lock(s.loop);
        op = start(call.get());
    }
    if (!op) return std::nullopt;
    {
        std::unique_lock lock(call->mutex);
        call->finished.wait_for(lock, s.Timeout(), [&] { return call->done; });
    }
    {
        LoopLock lock(s.loop);
        if (pa_operation_get_state(op) == PA_OPERATION_RUNNING) pa_operation_cancel(op);
        pa_operation_unref(op);
    }
    std::lock_guard lock(call->mutex);
    return call->done ? std::move(call->value) : std::nullopt;
}

void OnSuccess(pa_context*, int success, void* userdata) {
    static_cast<Call<bool>*>(userdata)->Finish(success != 0);
}

bool Succeeded(const std::optional<bool>& r) {
    return r && *r;
}

std::vector<int> Positions(const pa_channel_map& map) {
    std::vector<int> positions;
    for (unsigned i = 0; i < map.channels; ++i)
        positions.push_back(static_cast<int>(map.map[i]));
    return positions;
}

std::vector<Volume> Volumes(const pa_cvolume& v) {
    return std::vector<Volume>(v.values, v.values + v.channels);
}

bool ToCvolume(const std::vector<Volume>& volume, pa_cvolume& cv) {
    if (volume.empty() || volume.size() > PA_CHANNELS_MAX) return false;
    pa_cvolume_init(&cv);
    cv.channels = static_cast<std::uint8_t>(volume.size());
    for (std::size_t i = 0; i < volume.size(); ++i)
        cv.values[i] = std::min<Volume>(volume[i], PA_VOLUME_MAX);
    return true;
}

// What sinks and sources have alike.
template <class Info> DeviceInfo Device(const Info& i) {
    DeviceInfo d;
    d.index = i.index;
    d.name = i.name ? i.name : "";
    d.description = i.description ? i.description : "";
    d.positions = Positions(i.channel_map);
    d.volume = Volumes(i.volume);
    d.mute = i.mute != 0;
    return d;
}

void OnSink(pa_context*, const pa_sink_info* i, int eol, void* userdata) {
    auto* call = static_cast<Call<std::vector<DeviceInfo>>*>(userdata);
    if (eol < 0) return call->Finish(std::nullopt);
    if (eol > 0) return call->Finish(std::move(call->partial));
    DeviceInfo d = Device(*i);
    d.monitorSource = i->monitor_source_name ? i->monitor_source_name : "";
    call->partial.push_back(std::move(d));
}

void OnSource(pa_context*, const pa_source_info* i, int eol, void* userdata) {
    auto* call = static_cast<Call<std::vector<DeviceInfo>>*>(userdata);
    if (eol < 0) return call->Finish(std::nullopt);
    if (eol > 0) return call->Finish(std::move(call->partial));
    DeviceInfo d = Device(*i);
    d.isMonitor = i->monitor_of_sink != PA_INVALID_INDEX;
    call->partial.push_back(std::move(d));
}

void OnModule(pa_context*, const pa_module_info* i, int eol, void* userdata) {
    auto* call = static_cast<Call<std::vector<ModuleInfo>>*>(userdata);
    if (eol < 0) return call->Finish(std::nullopt);
    if (eol > 0) return call->Finish(std::move(call->partial));
    call->partial.push_back(ModuleInfo{i->index, i->name ? i->name : "", i->argument ? i->argument : ""});
}

void OnIndex(pa_context*, std::uint32_t index, void* userdata) {
    auto* call = static_cast<Call<std::uint32_t>*>(userdata);
    if (index == PA_INVALID_INDEX)
        call->Finish(std::nullopt);
    else
        call->Finish(index);
}

void OnState(pa_context* c, void* userdata) {
    auto* s = static_cast<Server::Impl*>(userdata);
    pa_context_state_t st = pa_context_get_state(c);
    // Ready before Connect's wait ends, so the first call finds it so.
    if (st == PA_CONTEXT_READY) s->ready = true;
    {
        std::lock_guard lock(s->stateMutex);
        s->state = st;
    }
    s->stateChanged.notify_all();
    if ((st == PA_CONTEXT_FAILED || st == PA_CONTEXT_TERMINATED) && s->ready.exchange(false) && !s->closing) {
        Server::LossHandler onLoss;
        {
            std::lock_guard lock(s->handlerMutex);
            onLoss = std::move(s->onLoss);
        }
        if (onLoss) onLoss();
    }
}

void OnEvent(pa_context*, pa_subscription_event_type_t t, std::uint32_t index, void* userdata) {
    auto* s = static_cast<Server::Impl*>(userdata);
    Facility facility = Facility::Other;
    switch (t & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) {
    case PA_SUBSCRIPTION_EVENT_SINK:
        facility = Facility::Sink;
        break;
    case PA_SUBSCRIPTION_EVENT_SOURCE:
        facility = Facility::Source;
        break;
    case PA_SUBSCRIPTION_EVENT_MODULE:
        facility = Facility::Module;
        break;
    case PA_SUBSCRIPTION_EVENT_SERVER:
        facility = Facility::Server;
        break;
    default:
        break;
    }
    Change change = Change::Changed;
    switch (t & PA_SUBSCRIPTION_EVENT_TYPE_MASK) {
    case PA_SUBSCRIPTION_EVENT_NEW:
        change = Change::New;
        break;
    case PA_SUBSCRIPTION_EVENT_REMOVE:
        change = Change::Removed;
        break;
    default:
        break;
    }
    std::lock_guard lock(s->handlerMutex);
    if (s->onChange) s->onChange(facility, change, index);
}

} // namespace

Server::Server(std::shared_ptr<Impl> impl) : m_impl(std::move(impl)) {}

Server::~Server() = default;

std::unique_ptr<Server> Server::Connect(const std::string& server, const std::string& clientName,
                                        std::string& error) {
    auto impl = std::make_shared<Impl>();
    impl->loop = pa_threaded_mainloop_new();
    if (!impl->loop) {
        error = "no main loop";
        return nullptr;
    }
    {
        LoopLock lock(impl->loop);
        impl->context = pa_context_new(pa_threaded_mainloop_get_api(impl->loop), clientName.c_str());
        if (!impl->context) {
            error = "no context";
            return nullptr;
        }
        pa_context_set_state_callback(impl->context, OnState, impl.get());
        if (pa_context_connect(impl->context, server.empty() ? nullptr : server.c_str(),
                               PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            error = pa_strerror(pa_context_errno(impl->context));
            return nullptr;
        }
    }
    if (pa_threaded_mainloop_start(impl->loop) < 0) {
        error = "the main loop does not start";
        return nullptr;
    }
    std::unique_lock lock(impl->stateMutex);
    bool settled = impl->stateChanged.wait_for(lock, std::chrono::milliseconds(900), [&] {
        return impl->state == PA_CONTEXT_READY || impl->state == PA_CONTEXT_FAILED ||
               impl->state == PA_CONTEXT_TERMINATED;
    });
    if (!settled || impl->state != PA_CONTEXT_READY) {
        lock.unlock();
        LoopLock loopLock(impl->loop);
        error = settled ? pa_strerror(pa_context_errno(impl->context)) : "the server does not answer";
        return nullptr;
    }
    return std::unique_ptr<Server>(new Server(std::move(impl)));
}

void Server::SetCallTimeout(int ms) {
    m_impl->timeoutMs = std::max(1, ms);
}

bool Server::Connected() const {
    return m_impl->ready;
}

std::optional<std::vector<DeviceInfo>> Server::Sinks() {
    pa_context* c = m_impl->context;
    return Run<std::vector<DeviceInfo>>(
        *m_impl, [&](auto* call) { return pa_context_get_sink_info_list(c, OnSink, call); });
}

std::optional<std::vector<DeviceInfo>> Server::Sources() {
    pa_context* c = m_impl->context;
    return Run<std::vector<DeviceInfo>>(
        *m_impl, [&](auto* call) { return pa_context_get_source_info_list(c, OnSource, call); });
}

std::optional<std::vector<ModuleInfo>> Server::Modules() {
    pa_context* c = m_impl->context;
    return Run<std::vector<ModuleInfo>>(
        *m_impl, [&](auto* call) { return pa_context_get_module_info_list(c, OnModule, call); });
}

namespace {

using SetVolumeFn = pa_operation* (*)(pa_context*, const char*, const pa_cvolume*, pa_context_success_cb_t,
                                      void*);
using SetMuteFn = pa_operation* (*)(pa_context*, const char*, int, pa_context_success_cb_t, void*);

bool SetVolume(Server::Impl& s, SetVolumeFn set, const std::string& name, const std::vector<Volume>& volume) {
    pa_cvolume cv;
    if (!ToCvolume(volume, cv)) return false;
    return Succeeded(
        Run<bool>(s, [&](auto* call) { return set(s.context, name.c_str(), &cv, OnSuccess, call); }));
}

bool SetMute(Server::Impl& s, SetMuteFn set, const std::string& name, bool mute) {
    return Succeeded(
        Run<bool>(s, [&](auto* call) { return set(s.context, name.c_str(), mute, OnSuccess, call); }));
}

} // namespace

bool Server::SetSinkVolume(const std::string& name, const std::vector<Volume>& volume) {
    return SetVolume(*m_impl, pa_context_set_sink_volume_by_name, name, volume);
}

bool Server::SetSourceVolume(const std::string& name, const std::vector<Volume>& volume) {
    return SetVolume(*m_impl, pa_context_set_source_volume_by_name, name, volume);
}

bool Server::SetSinkMute(const std::string& name, bool mute) {
    return SetMute(*m_impl, pa_context_set_sink_mute_by_name, name, mute);
}

bool Server::SetSourceMute(const std::string& name, bool mute) {
    return SetMute(*m_impl, pa_context_set_source_mute_by_name, name, mute);
}

std::optional<std::uint32_t> Server::LoadModule(const std::string& name, const std::string& arguments) {
    pa_context* c = m_impl->context;
    return Run<std::uint32_t>(*m_impl, [&](auto* call) {
        return pa_context_load_module(c, name.c_str(), arguments.c_str(), OnIndex, call);
    });
}

bool Server::UnloadModule(std::uint32_t index) {
    pa_context* c = m_impl->context;
    return Succeeded(
        Run<bool>(*m_impl, [&](auto* call) { return pa_context_unload_module(c, index, OnSuccess, call); }));
}

bool Server::Subscribe(ChangeHandler onChange, LossHandler onLoss) {
    {
        std::lock_guard lock(m_impl->handlerMutex);
        m_impl->onChange = std::move(onChange);
        m_impl->onLoss = std::move(onLoss);
    }
    pa_context* c = m_impl->context;
    Impl* impl = m_impl.get();
    auto mask =
        static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE |
                                            PA_SUBSCRIPTION_MASK_MODULE | PA_SUBSCRIPTION_MASK_SERVER);
    return Succeeded(Run<bool>(*m_impl, [&](auto* call) {
        pa_context_set_subscribe_callback(c, OnEvent, impl);
        return pa_context_subscribe(c, mask, OnSuccess, call);
    }));
}

// ---- peak streams ---------------------------------------------------------------------------------------

struct Server::PeakStream::Impl {
    std::shared_ptr<Server::Impl> server; // keeps the connection alive while the stream exists
    pa_stream* stream{};
    PeakHandler onPeaks;
    int channels{};

    static void OnRead(pa_stream* s, std::size_t, void* userdata) {
        auto* self = static_cast<Impl*>(userdata);
        const void* data = nullptr;
        std::size_t length = 0;
        float peaks[PA_CHANNELS_MAX];
        while (pa_stream_readable_size(s) > 0) {
            if (pa_stream_peek(s, &data, &length) < 0 || length == 0) return;
            if (data) {
                std::fill(peaks, peaks + self->channels, 0.0f);
                const auto* samples = static_cast<const float*>(data);
                std::size_t frames = length / (sizeof(float) * self->channels);
                for (std::size_t f = 0; f < frames; ++f)
                    for (int ch = 0; ch < self->channels; ++ch)
                        peaks[ch] = std::max(peaks[ch], std::fabs(samples[f * self->channels + ch]));
                if (frames && self->onPeaks) self->onPeaks(peaks, self->channels);
            }
            pa_stream_drop(s);
        }
    }
};

Server::PeakStream::PeakStream(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

Server::PeakStream::~PeakStream() {
    LoopLock lock(m_impl->server->loop);
    pa_stream_set_read_callback(m_impl->stream, nullptr, nullptr);
    pa_stream_disconnect(m_impl->stream);
    pa_stream_unref(m_impl->stream);
}

std::unique_ptr<Server::PeakStream>
Server::RecordPeaks(const std::string& source, const std::vector<int>& positions, PeakHandler onPeaks) {
    if (!m_impl->ready || positions.empty() || positions.size() > PA_CHANNELS_MAX) return nullptr;
    auto impl = std::make_unique<PeakStream::Impl>();
    impl->server = m_impl;
    impl->onPeaks = std::move(onPeaks);
    impl->channels = static_cast<int>(positions.size());

    pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, 25, static_cast<std::uint8_t>(positions.size())};
    pa_channel_map map;
    pa_channel_map_init(&map);
    map.channels = spec.channels;
    for (std::size_t i = 0; i < positions.size(); ++i)
        map.map[i] = static_cast<pa_channel_position_t>(positions[i]);
    // One frame a read: each is the peak of the last 40 ms.
    pa_buffer_attr attr{static_cast<std::uint32_t>(-1), static_cast<std::uint32_t>(-1),
                        static_cast<std::uint32_t>(-1), static_cast<std::uint32_t>(-1),
                        static_cast<std::uint32_t>(sizeof(float) * positions.size())};
    auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_PEAK_DETECT | PA_STREAM_ADJUST_LATENCY |
                                                PA_STREAM_DONT_MOVE | PA_STREAM_NO_REMIX_CHANNELS);
    LoopLock lock(m_impl->loop);
    impl->stream = pa_stream_new(m_impl->context, "Korvalin level", &spec, &map);
    if (!impl->stream) return nullptr;
    pa_stream_set_read_callback(impl->stream, PeakStream::Impl::OnRead, impl.get());
    if (pa_stream_connect_record(impl->stream, source.c_str(), &attr, flags) < 0) {
        pa_stream_set_read_callback(impl->stream, nullptr, nullptr);
        pa_stream_unref(impl->stream);
        return nullptr;
    }
    return std::unique_ptr<PeakStream>(new PeakStream(std::move(impl)));
}

} // namespace pulse
