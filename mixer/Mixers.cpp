#include "mixer/Mixers.h"

#include "app/Mixctrl.h"
#include "mixer/Ainp.h"
#include "mixer/Aout.h"
#include "mixer/Dout.h"
#include "mixer/dinp.h"

namespace krvl {

void RegisterMixerWindows() {
    RegisterMixerWindow(MixerKind::AnalogInputs,
                        [](tk::TComponent* owner) -> tk::TForm* { return tk::New<TfrmAnalogInp>(owner); });
    RegisterMixerWindow(MixerKind::DigitalInputs,
                        [](tk::TComponent* owner) -> tk::TForm* { return tk::New<TfrmDigInp>(owner); });
    RegisterMixerWindow(MixerKind::AnalogOutputs,
                        [](tk::TComponent* owner) -> tk::TForm* { return tk::New<TfrmAnalogOut>(owner); });
    RegisterMixerWindow(MixerKind::DigitalOutputs,
                        [](tk::TComponent* owner) -> tk::TForm* { return tk::New<TfrmDigOut>(owner); });
}

} // namespace krvl
