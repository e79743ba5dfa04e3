// Peak metering of a mixer window: two periodic multimedia timers whose callbacks only post (a fast
// tick that lets the meters fall, a slower poll that reads the levels), the meter list, and switching
// the driver's peak measurement on and off. Inputs always read their own wave-in device; outputs read
// whatever is routed to them.
#pragma once

#include "driver/ctrl.h"

#include <array>

namespace tk {
class TForm;
struct TMessage;
} // namespace tk

namespace krvl {

class TLevelMeter;

constexpr int kMaxMeters = 16;

class TMetering {
public:
    TMetering(tk::TForm& window, int cards, int pairsPerCard);
    // Timers still running are killed (they would post to a window that is gone); the driver is not
    // told, the window's close has done that.
    virtual ~TMetering();
    TMetering(const TMetering&) = delete;
    TMetering& operator=(const TMetering&) = delete;

    void SetPeriods(UINT tickMs, UINT pollMs);
    UINT TickPeriod() const { return m_tickPeriod; }
    UINT PollPeriod() const { return m_pollPeriod; }
    bool Active() const { return m_active; }
    UINT TickTimer() const { return m_tickTimer; }
    UINT PollTimer() const { return m_pollTimer; }

    // Slot = channel over all cards: (card × pairs + pair) × 2, + 1 for the right channel.
    int Slots() const { return m_cards * m_pairs * 2; }
    void SetMeter(int slot, TLevelMeter* meter);
    TLevelMeter* Meter(int slot) const;
    // Receives one level record per read; the window owns it.
    void SetLevelBlock(SharedBlock* block) { m_levelBlock = block; }

    virtual void Start() = 0;
    virtual void Stop() = 0;

    // UM_METERTICK: the same message to every meter, slot 0 first. UM_LEVELPOLL: read the levels.
    void Tick(tk::TMessage& message);
    void LevelPoll(tk::TMessage& message);

protected:
    virtual void Poll() = 0;
    int Cards() const { return m_cards; }
    int Pairs() const { return m_pairs; }
    static int FirstSlot(int pairIndex) { return pairIndex * 2; }
    // Created only when absent; killed only when present. A timer the system refuses stays absent.
    void CreateTickTimer();
    void CreatePollTimer();
    void KillTickTimer();
    void KillPollTimer();
    // One level read; on success both peaks go to the pair's meters, else they keep their state.
    void ReadLevels(HWAVEIN handle, int pairIndex);
    void ReadLevels(HWAVEOUT handle, int pairIndex);
    void ShowLevels(int pairIndex);

    bool m_active{};

private:
    tk::TForm& m_window;
    int m_cards;
    int m_pairs;
    UINT m_tickPeriod{40};
    UINT m_pollPeriod{100};
    UINT m_tickTimer{};
    UINT m_pollTimer{};
    std::array<TLevelMeter*, kMaxMeters> m_meters{};
    SharedBlock* m_levelBlock{};
};

// The input windows: each pair's own first wave-in control handle, handles[(card × pairs + pair) × 2].
class TInputMetering : public TMetering {
public:
    TInputMetering(tk::TForm& window, const HWAVEIN* handles, int cards, int pairsPerCard);
    // Leveling on for every pair in order; at the first refusal metering stays off (the pairs already
    // switched on stay on) and no timer is made.
    void Start() override;
    void Stop() override;

protected:
    void Poll() override;

private:
    HWAVEIN First(int pairIndex) const { return m_handles[pairIndex * 2]; }
    const HWAVEIN* m_handles;
};

// Where an output pair's levels come from, as the output window knows it.
class IOutputLevelSource {
public:
    virtual ~IOutputLevelSource() = default;
    // 1 the pair's own playback, 2 a record input (source handles are wave-in), 3 another playback
    // device (source handles are wave-out), 0 unknown.
    virtual int RouteType(int card, int pair) const = 0;
    virtual HWAVEOUT OwnHandle(int card, int pair) const = 0;
    virtual HWAVEOUT SourceOut(int card, int pair) const = 0;
    virtual HWAVEIN SourceIn(int card, int pair) const = 0;
};

// The output windows: the measurement follows the pair's metering source.
class TOutputMetering : public TMetering {
public:
    TOutputMetering(tk::TForm& window, const IOutputLevelSource& source, int cards, int pairsPerCard);
    void Start() override;
    void Stop() override;
    // Measurement on / off for one pair's current source; nothing while metering is off. An unknown
    // route type raises "EnableDevLeveling: Invalid RouteType." / "DisableLeveling: Invalid RouteType.".
    bool EnableDevLeveling(int card, int pair);
    void DisableLeveling(int card, int pair);

protected:
    void Poll() override;

private:
    bool Send(int card, int pair, UINT outMsg, UINT inMsg, const char* routine);
    const IOutputLevelSource& m_source;
};

} // namespace krvl
