#pragma once
// VST 2.4 interface for the framework's VST wrapper, from the clean-room headers of Debian's fst-dev.
//
// fst gives a few names it had not pinned down placeholder values (100000 + line for opcodes, 0 for
// pin flags). The wrapper sends two of those opcodes to the host and sets three of those flags, so
// with the placeholders a VST 2.4 host never hears that the latency changed (oversampling switched
// on or off) or that names and values need redrawing (program change, state load), and the input
// and output pins are reported neither active nor stereo. The placeholder names are moved aside
// while fst is read and declared below with the values hosts use.
#define audioMasterIOChanged fstPlaceholderIOChanged
#define audioMasterUpdateDisplay fstPlaceholderUpdateDisplay
#define kVstPinIsActive fstPlaceholderPinIsActive
#define kVstPinIsStereo fstPlaceholderPinIsStereo
#define kVstPinUseSpeaker fstPlaceholderPinUseSpeaker
#include <pluginterfaces/fst/aeffectx.h>
#undef audioMasterIOChanged
#undef audioMasterUpdateDisplay
#undef kVstPinIsActive
#undef kVstPinIsStereo
#undef kVstPinUseSpeaker

constexpr AudioMasterOpcodesX audioMasterIOChanged = static_cast<AudioMasterOpcodesX>(13);
constexpr AudioMasterOpcodesX audioMasterUpdateDisplay = static_cast<AudioMasterOpcodesX>(42);
constexpr int kVstPinIsActive = 1 << 0;
constexpr int kVstPinIsStereo = 1 << 1;
constexpr int kVstPinUseSpeaker = 1 << 2;
