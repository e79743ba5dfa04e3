#include "mixer/Metering.h"

#include "app/messages.h"
#include "controls/audioctl32.h"
#include "toolkit/Forms.h"

namespace krvl {

namespace {

// The timer thread only posts; every meter update happens on the window's thread.
void TickProc(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    PostMessageA(reinterpret_cast<HWND>(user), UM_METERTICK, id, 0);
}

void PollProc(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    PostMessageA(reinterpret_cast<HWND>(user), UM_LEVELPOLL, id, 0);
}

} // namespace

// ================================================================== TMetering

TMetering::TMetering(tk::TForm& window, int cards, int pairsPerCard)
    : m_window(window), m_cards(cards), m_pairs(pairsPerCard) {}

TMetering::~TMetering() {
    KillTickTimer();
    KillPollTimer();
}

void TMetering::SetPeriods(UINT tickMs, UINT pollMs) {
    m_tickPeriod = tickMs;
    m_pollPeriod = pollMs;
}

void TMetering::SetMeter(int slot, TLevelMeter* meter) {
    if (slot >= 0 && slot < kMaxMeters) m_meters[static_cast<std::size_t>(slot)] = meter;
}

TLevelMeter* TMetering::Meter(int slot) const {
    return slot >= 0 && slot < kMaxMeters ? m_meters[static_cast<std::size_t>(slot)] : nullptr;
}

void TMetering::CreateTickTimer() {
    if (m_tickTimer) return;
    m_tickTimer = timeSetEvent(m_tickPeriod, m_tickPeriod, &TickProc,
                               reinterpret_cast<DWORD_PTR>(m_window.Handle()), TIME_PERIODIC);
}

void TMetering::CreatePollTimer() {
    if (m_pollTimer) return;
    m_pollTimer = timeSetEvent(m_pollPeriod, m_pollPeriod, &PollProc,
                               reinterpret_cast<DWORD_PTR>(m_window.Handle()), TIME_PERIODIC);
}

void TMetering::KillTickTimer() {
    if (!m_tickTimer) return;
    timeKillEvent(m_tickTimer);
    m_tickTimer = 0;
}

void TMetering::KillPollTimer() {
    if (!m_pollTimer) return;
    timeKillEvent(m_pollTimer);
    m_pollTimer = 0;
}

void TMetering::Tick(tk::TMessage& message) {
    for (int slot = 0; slot < Slots(); ++slot)
        if (TLevelMeter* meter = Meter(slot)) meter->Perform(message.Msg, message.WParam, message.LParam);
    message.Result = 1;
}

void TMetering::LevelPoll(tk::TMessage& message) {
    Poll();
    message.Result = 1;
}

void TMetering::ShowLevels(int pairIndex) {
    int slot = FirstSlot(pairIndex);
    if (TLevelMeter* left = Meter(slot)) left->SetLevel(m_levelBlock->Int(0));
    if (TLevelMeter* right = Meter(slot + 1)) right->SetLevel(m_levelBlock->Int(4));
}

void TMetering::ReadLevels(HWAVEIN handle, int pairIndex) {
    if (m_levelBlock && SendCtrl(handle, DRVM_IN_GET_LEVELS, m_levelBlock->Address())) ShowLevels(pairIndex);
}

void TMetering::ReadLevels(HWAVEOUT handle, int pairIndex) {
    if (m_levelBlock && SendCtrl(handle, DRVM_OUT_GET_LEVELS, m_levelBlock->Address())) ShowLevels(pairIndex);
}

// ================================================================== TInputMetering

TInputMetering::TInputMetering(tk::TForm& window, const HWAVEIN* handles, int cards, int pairsPerCard)
    : TMetering(window, cards, pairsPerCard), m_handles(handles) {}

void TInputMetering::Start() {
    if (m_active) return;
    for (int p = 0; p < Cards() * Pairs(); ++p)
        if (!SendCtrl(First(p), DRVM_IN_ENABLE_LEVELING, 0)) return;
    m_active = true;
    CreateTickTimer();
    CreatePollTimer();
}

void TInputMetering::Stop() {
    if (!m_active) return;
    for (int p = 0; p < Cards() * Pairs(); ++p)
        SendCtrl(First(p), DRVM_IN_DISABLE_LEVELING, 0);
    KillTickTimer();
    KillPollTimer();
    m_active = false;
}

void TInputMetering::Poll() {
    for (int p = 0; p < Cards() * Pairs(); ++p)
        ReadLevels(First(p), p);
}

// ================================================================== TOutputMetering

TOutputMetering::TOutputMetering(tk::TForm& window, const IOutputLevelSource& source, int cards,
                                 int pairsPerCard)
    : TMetering(window, cards, pairsPerCard), m_source(source) {}

void TOutputMetering::Start() {
    if (m_active) return;
    m_active = true;
    for (int card = 0; card < Cards(); ++card) {
        for (int pair = 0; pair < Pairs(); ++pair)
            EnableDevLeveling(card, pair);
        CreatePollTimer();
    }
    CreateTickTimer();
}

void TOutputMetering::Stop() {
    if (!m_active) return;
    KillTickTimer();
    for (int card = 0; card < Cards(); ++card) {
        KillPollTimer();
        for (int pair = 0; pair < Pairs(); ++pair)
            DisableLeveling(card, pair);
    }
    m_active = false;
}

bool TOutputMetering::Send(int card, int pair, UINT outMsg, UINT inMsg, const char* routine) {
    switch (m_source.RouteType(card, pair)) {
    case 1:
        return SendCtrl(m_source.OwnHandle(card, pair), outMsg, 0);
    case 3:
        return SendCtrl(m_source.SourceOut(card, pair), outMsg, 0);
    case 2:
        return SendCtrl(m_source.SourceIn(card, pair), inMsg, 0);
    default:
        throw tk::Exception(std::string(routine) + ": Invalid RouteType.");
    }
}

bool TOutputMetering::EnableDevLeveling(int card, int pair) {
    if (!m_active) return true;
    return Send(card, pair, DRVM_OUT_ENABLE_LEVELING, DRVM_IN_ENABLE_LEVELING, "EnableDevLeveling");
}

void TOutputMetering::DisableLeveling(int card, int pair) {
    if (!m_active) return;
    Send(card, pair, DRVM_OUT_DISABLE_LEVELING, DRVM_IN_DISABLE_LEVELING, "DisableLeveling");
}

void TOutputMetering::Poll() {
    for (int card = 0; card < Cards(); ++card)
        for (int pair = 0; pair < Pairs(); ++pair) {
            int p = card * Pairs() + pair;
            switch (m_source.RouteType(card, pair)) {
            case 1:
                ReadLevels(m_source.OwnHandle(card, pair), p);
                break;
            case 3:
                ReadLevels(m_source.SourceOut(card, pair), p);
                break;
            case 2:
                ReadLevels(m_source.SourceIn(card, pair), p);
                break;
            default:
                break; // no source to read
            }
        }
}

} // namespace krvl
