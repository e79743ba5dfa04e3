#include "mixer/Mixers.h"

#include "app/Mixctrl.h"
#include "mixer/Ainp.h"
#include "mixer/dinp.h"

namespace krvl {

void RegisterMixerWindows() {
    RegisterMixerWindow(MixerKind::AnalogInputs,
                        [](tk::TComponent* owner) -> tk::TForm* { return tk::New<TfrmAnalogInp>(owner); });
    RegisterMixerWindow(MixerKind::DigitalInputs,
                        [](tk::TComponent* owner) -> tk::TForm* { return tk::New<TfrmDigInp>(owner); });
}

} // namespace krvl
