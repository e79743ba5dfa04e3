// The analog output mixer: per card and analog output pair the playback source, a stereo level meter
// of whatever is routed there, and a volume fader with a mute button per channel, the two faders of a
// pair linkable. Volumes, mutes and sources changed elsewhere are followed from the driver's notices.
#pragma once

#include "mixer/Output.h"

namespace krvl {

class TfrmAnalogOut : public TOutputMixer {
public:
    explicit TfrmAnalogOut(tk::TComponent* owner);
    std::string ClassName() const override { return "TfrmAnalogOut"; }

protected:
    TMixerClassState& ClassState() const override;
    void CreateOwnBlocks() override;
    bool ReadDriverState() override;

private:
    void UMVolumeChanged(tk::TMessage& message);
    void UMMuteChanged(tk::TMessage& message);
};

} // namespace krvl
