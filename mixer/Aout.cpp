#include "mixer/Aout.h"

#include "app/messages.h"

namespace krvl {

namespace {

TMixerFrameData AnalogOutputData() {
    TMixerFrameData d;
    d.layout = "Aout.dfm";
    d.stripWidth = 160;
    d.initialFixedHeight = 602;
    d.direction = Direction::Out;
    d.pairs = {0, 1};
    d.callbackWindow = true;
    d.checksEdge = EdgeKept::Top;
    d.renameFaders = true;
    d.metersByTag = true;
    d.mainPanel = "pnGround";
    d.scroller = "ScrollBox";
    d.faderSection = "pnSliders";
    d.faders = {WODM_GETVOLUME, WODM_SETVOLUME, DRVM_OUT_GET_MUTE, DRVM_OUT_SET_MUTE, 512};
    d.secTimer = "SecTimer";
    d.clones = {{"pnPlaybackSel"}, {"pnMeters"}, {"pnSliders"}, {"pnNumbers", CloneRules::Numbers}};
    // The header sits above the scroll box, which alignment moves; the sections move inside it.
    d.sections = {
        {"chkPlaybackSel",
         "chkPlaybackSelClick",
         {"pnPlaybackSel", "pnMonHeader"},
         "pnPlaybackSel",
         {"pnMeters", "pnSliders", "pnNumbers"},
         {"pnMeters", "pnSliders"}},
        {"chkPeakMeter",
         "chkPeakMeterClick",
         {"pnMeters"},
         "",
         {"pnSliders", "pnNumbers"},
         {"pnPlaybackSel", "pnSliders"},
         true},
        {"chkSlider", "chkSliderClick", {"pnSliders"}, "", {"pnNumbers"}, {"pnPlaybackSel", "pnMeters"}},
    };
    d.commandOrder = {"chkPlaybackSel", "chkPeakMeter", "chkSlider"};
    return d;
}

} // namespace

TfrmAnalogOut::TfrmAnalogOut(tk::TComponent* owner)
    : TOutputMixer(owner, AnalogOutputData(),
                   {{kNotifyVolume, UM_VOLUMECHANGED},
                    {kNotifyMute, UM_MUTECHANGED},
                    {kNotifySource, UM_ROUTECHANGED}}) {
    SetMessageHandler(UM_VOLUMECHANGED, [this](tk::TMessage& m) { UMVolumeChanged(m); });
    SetMessageHandler(UM_MUTECHANGED, [this](tk::TMessage& m) { UMMuteChanged(m); });
    LoadFrameLayout();
}

TMixerClassState& TfrmAnalogOut::ClassState() const {
    static TMixerClassState state;
    return state;
}

void TfrmAnalogOut::CreateOwnBlocks() {
    SharedBlock& volumes = NewBlock(4, GMEM_ZEROINIT);
    UseFaderBlocks(volumes, NewBlock(4, GMEM_ZEROINIT));
}

bool TfrmAnalogOut::ReadDriverState() {
    return ReadRoutes() && ReadMutes();
}

void TfrmAnalogOut::UMVolumeChanged(tk::TMessage& message) {
    // Every fader is read again, whichever pair the notice names.
    if (Ready()) ReadFaders();
    message.Result = 0;
}

void TfrmAnalogOut::UMMuteChanged(tk::TMessage& message) {
    int card = 0, pair = 0;
    if (NoticeTarget(message, card, pair)) RefreshMute(card, pair);
    message.Result = 0;
}

} // namespace krvl
