#include "mixer/Mixers.h"

#include "app/Mixctrl.h"
#include "mixer/Ainp.h"

namespace krvl {

void RegisterMixerWindows() {
    RegisterMixerWindow(MixerKind::AnalogInputs,
                        [](tk::TComponent* owner) -> tk::TForm* { return tk::New<TfrmAnalogInp>(owner); });
}

} // namespace krvl
