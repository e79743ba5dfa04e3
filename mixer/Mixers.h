// The mixer windows the control window can open.
#pragma once

namespace krvl {

// Registers every mixer window class with the control window (before the program entry runs).
void RegisterMixerWindows();

} // namespace krvl
