// The property tables of the toolkit's remaining controls.
#include "toolkit/FormReader.h"

namespace tk {

void RegisterExtraStandardClasses() {}

} // namespace tk
