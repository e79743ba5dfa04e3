// The program's compiled-in resources (the "MIXERICON" icon).
#pragma once

namespace krvl {

void RegisterResources();

} // namespace krvl
