// The card's decibel law: what a gain, volume or level word means in decibels and as a factor. Both
// drivers use it, so the windows' scale labels hold whichever one answers.
#pragma once

#include "system/win32.h"

#include <optional>

namespace cardcore {

// Input gain: the fader position is bits 8 to 15; position 128 is unity and each step half a decibel,
// so the top of the fader (164) is +18 dB.
double GainDb(WORD word);
double GainFactor(WORD word);
// The gain word whose position lies nearest to db (positions 0 to 255).
WORD GainWord(double db);

// Output volume: the top fader position (0xFE00) is unity and each step of 512 half a decibel down; the
// volume never amplifies, and the word 0 is silence (no value in decibels).
std::optional<double> VolumeDb(WORD word);
double VolumeFactor(WORD word);
// The volume word nearest to db (capped at unity); no value means silence.
WORD VolumeWord(std::optional<double> db);

// Peak levels run from 0 to 32767 (full scale).
constexpr double kLevelFullScale = 32767.0;
DWORD ToLevel(double v);

} // namespace cardcore
