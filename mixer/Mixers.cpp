#include "mixer/Mixers.h"

#include "app/Mixctrl.h"
#include "mixer/Ainp.h"
#include "mixer/Aout.h"
#include "mixer/Dout.h"

namespace krvl {

void RegisterMixerWindows() {
    RegisterMixerWindow(MixerKind::AnalogInputs,
                        [](tk::TComponent* owner) -> tk::TForm* { return tk::New<TfrmAnalogInp>(owner); });
    RegisterMixerWindow(MixerKind::AnalogOutputs,
                        [](tk::TComponent* owner) -> tk::TForm* { return tk::New<TfrmAnalogOut>(owner); });
    RegisterMixerWindow(MixerKind::DigitalOutputs,
                        [](tk::TComponent* owner) -> tk::TForm* { return tk::New<TfrmDigOut>(owner); });
}

} // namespace krvl
