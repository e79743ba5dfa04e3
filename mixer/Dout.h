// The digital output mixer: per card the format of the digital output (S/PDIF or AES/EBU), what the
// digital output plays, and a stereo level meter of it. No faders, no mutes.
#pragma once

#include "mixer/Output.h"

namespace krvl {

class TfrmDigOut : public TOutputMixer {
public:
    explicit TfrmDigOut(tk::TComponent* owner);
    std::string ClassName() const override { return "TfrmDigOut"; }

protected:
    TMixerClassState& ClassState() const override;
    void CreateOwnBlocks() override;
    bool ReadDriverState() override;

private:
    void FormatClick(tk::TObject* sender);
    // Every card's format buttons from the driver's digital status.
    void ReadFormats();

    SharedBlock* m_statusBlock{};
};

} // namespace krvl
