// Picking what a target hands over: one element of a list, and a 16:16 address that is a live block's,
// shifted into or past a live block, a freed block's, or any number at all.
#pragma once

#include "system/win32.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <vector>

template <class T> const T& PickOne(FuzzedDataProvider& in, const std::vector<T>& from) {
    return from[in.ConsumeIntegralInRange<std::size_t>(0, from.size() - 1)];
}

// liveWeight weighs the exact live address against the three other kinds; maxShift bounds the shift.
inline DWORD PickAddress(FuzzedDataProvider& in, const std::vector<DWORD>& live,
                         const std::vector<DWORD>& freed, DWORD maxShift, int liveWeight = 1) {
    const int kind = in.ConsumeIntegralInRange(0, liveWeight + 2);
    if (kind < liveWeight) {
        if (!live.empty()) return PickOne(in, live);
    } else if (kind == liveWeight) {
        if (!live.empty()) return PickOne(in, live) + in.ConsumeIntegralInRange<DWORD>(0, maxShift);
    } else if (kind == liveWeight + 1) {
        if (!freed.empty()) return PickOne(in, freed);
    }
    return in.ConsumeIntegral<DWORD>();
}
