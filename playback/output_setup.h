#pragma once
// Choosing, opening and setting up the output device: the output choices, the opening procedure
// with its failure codes and texts, the reset after opening and the per-channel set-up.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "playback/midi_device.h"
#include "playback/synth_device.h"
#include "song/notifier.h"
#include "song/song_document.h"

namespace kore {

// The output part of the settings ("Midi Settings" and "DLS Settings").
struct OutputSettings {
  int32_t outputDls = 0;    // 0 port, 1 and 3 synthesizer with dlsFilePath, 2 built-in set
  int32_t port = -1;        // PORTA; -1 the mapper, which plays through the built-in set
  int32_t resetType = 1;    // 0..5
  std::string dlsFilePath;  // file-system path
  // The General MIDI set of the built-in entries and the mapper; empty: DefaultSoundFontPath().
  std::string soundFontPath;
  int32_t samplingRate = 2;  // index 0..3
  int32_t channel = 1;       // 0 mono, else stereo
  int32_t volume = 100;
  bool reverb = false;
  bool chorus = false;
  bool delay = false;
  std::string audioDriver;  // FluidSynth driver name, "" its default, "silent" none
};

SynthSettings SynthSettingsFrom(const OutputSettings& settings);

// True when the settings play through the synthesizer (a synthesizer entry, or the mapper).
bool UsesSynthesizer(const OutputSettings& settings);

// The program a slot's instrument is sent as: game instruments (0..6) by their General MIDI
// program on a port or the built-in set (OutputDLS 0, 2), by their game id with a DLS file
// (1, 3); any other index is index - 7.
int32_t ChannelProgram(int32_t instrument, int32_t outputDls);

// Program change, volume (CC 7) and pan (CC 10) of a slot on channel = slot. 1 (nothing sent)
// without a device, for a slot outside 0..15 or not in use; else 0.
int InitChannel(CMidiDevice* device, int32_t outputDls, int32_t slot, const TrackProperties& track);

// Builds and opens the device of the settings, with its instruments and volume. Returns 0, or
// the failure code (1 port, 2 to 5 synthesizer) with `device` left empty.
int CreateOutputDevice(const OutputSettings& settings, std::unique_ptr<CMidiDevice>& device);

// The Shift-JIS text shown for a failure code, with the question about the settings appended.
std::string OpenFailureMessage(int code);
// The caption of that box: the application title followed by " MIDI出力先のオープンに失敗".
std::string OpenFailureCaption(std::string_view appTitle);
// "MIDI音源のリセットに失敗しました"
std::string ResetFailureMessage();
// "MIDIデバイス初期化中"
std::string OpeningMessage();

struct OutputOpenHooks {
  std::function<void()> showWaiting;  // the small waiting box
  std::function<void()> hideWaiting;
  // Asked after a failure with the message and caption: true (Yes) when the user wants the
  // settings, which the hook then shows and may change; false (No) gives up.
  std::function<bool(const std::string& message, const std::string& caption,
                     OutputSettings& settings)> askOpenSettings;
  Notifier* notifier = nullptr;  // the reset failure
  std::function<void(int32_t ms)> sleep;  // real sleeping when empty
  std::string appTitle = "KOR EDITOR";
};

// The opening procedure: 0 when a device is open afterwards, 1 when the user gave up. After a
// successful open the reset message is sent (then 100 ms pause) and every slot is set up (10 ms
// pause after each one that sent something).
int OpenOutput(std::unique_ptr<CMidiDevice>& device, OutputSettings& settings,
               const std::array<TrackProperties, kTrackSlotCount>& slots,
               const OutputOpenHooks& hooks);

struct OutputChoice {
  std::string name;  // UTF-8 (port names come from the system)
  int32_t outputDls = 0;
  int32_t port = -1;
};

// The mapper, every port in port order, then (when a synthesizer can be created) the
// synthesizer's built-in set and its DLS entry.
std::vector<OutputChoice> ListOutputChoices();
// Index into that list of the entry the settings stand for.
int32_t SelectedOutputChoice(const std::vector<OutputChoice>& choices, const OutputSettings& settings);

}  // namespace kore
