#include "base/setting_keys.h"

#include <algorithm>
#include <type_traits>

#include "base/app_settings.h"

namespace kore {
namespace {

constexpr const char* kApplicationData = "ApplicationData";
constexpr const char* kPlacement = "Window Placement - Main";
constexpr const char* kMmlFile = "MML File Settings";
constexpr const char* kMidi = kMidiSettingsSection;
constexpr const char* kDls = kDlsSettingsSection;
constexpr const char* kSmfImport = "SMF Import Settings";

constexpr SettingFormat kSigned = SettingFormat::Signed;
constexpr SettingFormat kUnsigned = SettingFormat::Unsigned;
constexpr SettingFormat kBool = SettingFormat::Bool;
constexpr SettingFormat kString = SettingFormat::String;
constexpr SettingLoad kStart = SettingLoad::AtStart;
constexpr SettingLoad kWindow = SettingLoad::WithWindow;

constexpr SettingCheck Range(int32_t min, int32_t max, int32_t fallback) {
  return SettingCheck{min, max, fallback, {}, 0};
}
template <typename... V>
constexpr SettingCheck OneOf(int32_t fallback, V... values) {
  return SettingCheck{INT32_MIN, INT32_MAX, fallback, {values...}, sizeof...(V)};
}

// Sizes and modes are compared as signed numbers, so that a hand-written negative value cannot
// turn into a huge pane or font.
constexpr SettingCheck kTimeBase = OneOf(32, 32, 480, 960);
constexpr SettingCheck kPaneSize = Range(1, INT32_MAX, 1);
constexpr SettingCheck kViewMode = Range(0, 2, 0);
constexpr SettingCheck kFontSize = Range(1, INT32_MAX, 10);
constexpr SettingCheck kTrackCount = Range(1, 15, 3);
constexpr SettingCheck kFrameRate = OneOf(30, 30, 60);
constexpr SettingCheck kWindowStyle = Range(0, 1, 0);
constexpr SettingCheck kRollTarget = OneOf(0, 0, 1, 2);
constexpr SettingCheck kOutput = Range(0, 3, 0);
constexpr SettingCheck kResetType = Range(0, 5, 1);
constexpr SettingCheck kSamplingRate = Range(0, 3, 2);
constexpr SettingCheck kDlsChannel = Range(0, 1, 1);
constexpr SettingCheck kVolume = Range(0, 100, 100);
constexpr SettingCheck kQuantize = OneOf(32, 4, 8, 16, 32, 64);

using S = AppSettings;
using P = WindowPlacementSettings;

constexpr SettingKey kKeys[] = {
    {kApplicationData, "DefaultTimeBase", kSigned, kStart, &S::defaultTimeBase, &kTimeBase},
    {kApplicationData, "PianoRollHeight", kSigned, kStart, &S::pianoRollHeight, &kPaneSize},
    {kApplicationData, "PianoRollWidth", kSigned, kStart, &S::pianoRollWidth, &kPaneSize},
    {kApplicationData, "ViewMode", kUnsigned, kStart, &S::viewMode, &kViewMode},
    {kApplicationData, "EditorFontName", kString, kStart, &S::editorFontName},
    {kApplicationData, "EditorFontSize", kUnsigned, kStart, &S::editorFontSize, &kFontSize},
    {kApplicationData, "DefaultTrackCount", kUnsigned, kStart, &S::defaultTrackCount,
     &kTrackCount},
    {kApplicationData, "StatFrameRate", kUnsigned, kStart, &S::statFrameRate, &kFrameRate},
    {kApplicationData, "AutoSave", kBool, kStart, &S::autoSave},
    {kApplicationData, "OptClipExport", kBool, kStart, &S::optClipExport},
    {kApplicationData, "EditPlaySelect", kBool, kStart, &S::editPlaySelect},
    {kApplicationData, "EditScroll", kBool, kStart, &S::editScroll},
    {kApplicationData, "Window_Style", kSigned, kStart, &S::windowStyle, &kWindowStyle},
    {kApplicationData, "PianoRollTargetV2", kSigned, kWindow, &S::pianoRollTargetV2,
     &kRollTarget},
    {kApplicationData, "PianoRollVMag", kSigned, kWindow, &S::pianoRollVMag},
    {kApplicationData, "PianoRollHMag", kSigned, kWindow, &S::pianoRollHMag},
    {kApplicationData, "Monitor_Left", kSigned, kWindow, &S::monitorLeft},
    {kApplicationData, "Monitor_Top", kSigned, kWindow, &S::monitorTop},
    {kApplicationData, "Monitor_Visible", kBool, kWindow, &S::monitorVisible},

    {kPlacement, "flags", kUnsigned, SettingLoad::Never, &P::flags},
    {kPlacement, "showCmd", kUnsigned, kWindow, &P::showCmd},
    {kPlacement, "ptMaxPosition_x", kSigned, kWindow, &P::ptMaxPositionX},
    {kPlacement, "ptMaxPosition_y", kSigned, kWindow, &P::ptMaxPositionY},
    {kPlacement, "ptMinPosition_x", kSigned, kWindow, &P::ptMinPositionX},
    {kPlacement, "ptMinPosition_y", kSigned, kWindow, &P::ptMinPositionY},
    {kPlacement, "left", kSigned, kWindow, &P::left},
    {kPlacement, "top", kSigned, kWindow, &P::top},
    {kPlacement, "right", kSigned, kWindow, &P::right},
    {kPlacement, "bottom", kSigned, kWindow, &P::bottom},

    {kMmlFile, "Compatible1900", kBool, kStart, &S::compatible1900},
    {kMmlFile, "Compact", kBool, kStart, &S::compact},

    {kMidi, "OutputDLS", kSigned, kStart, &S::outputDls, &kOutput},
    {kMidi, "PORTA", kUnsigned, kStart, &S::porta},
    {kMidi, "DLSFilePath", kString, kStart, &S::dlsFilePath},
    {kMidi, "ResetType", kSigned, kStart, &S::resetType, &kResetType},

    {kDls, "SamplingRate", kSigned, kStart, &S::samplingRate, &kSamplingRate},
    {kDls, "Channel", kSigned, kStart, &S::dlsChannel, &kDlsChannel},
    {kDls, "Volume", kSigned, kStart, &S::dlsVolume, &kVolume},
    {kDls, "EnableReverb", kBool, kStart, &S::enableReverb},
    {kDls, "EnableChorus", kBool, kStart, &S::enableChorus},
    {kDls, "EnableDelay", kBool, kStart, &S::enableDelay},
    {kDls, "AudioDriver", kString, kStart, &S::audioDriver},

    {kSmfImport, "ProgramChange", kBool, kStart, &S::smfProgramChange},
    {kSmfImport, "ControlChange", kBool, kStart, &S::smfControlChange},
    {kSmfImport, "PitchBend", kBool, kStart, &S::smfPitchBend},
    {kSmfImport, "Velocity", kBool, kStart, &S::smfVelocity},
    {kSmfImport, "MidiText", kBool, kStart, &S::smfMidiText},
    {kSmfImport, "SysEx", kBool, kStart, &S::smfSysEx},
    {kSmfImport, "SpreadTrack", kBool, kStart, &S::smfSpreadTrack},
    {kSmfImport, "SpreadControl", kBool, kStart, &S::smfSpreadControl},
    {kSmfImport, "Channel", kBool, kStart, &S::smfChannel},
    {kSmfImport, "ReduceRest", kBool, kStart, &S::smfReduceRest},
    {kSmfImport, "QuantizeValue", kSigned, kStart, &S::smfQuantizeValue, &kQuantize},
};

}  // namespace

bool SettingCheck::Accepts(int32_t value) const {
  if (value < min || value > max) return false;
  if (allowedCount == 0) return true;
  return std::find(allowed.begin(), allowed.begin() + allowedCount, value) !=
         allowed.begin() + allowedCount;
}

std::vector<int32_t> SettingCheck::Choices() const {
  if (allowedCount > 0) return {allowed.begin(), allowed.begin() + allowedCount};
  constexpr int64_t kMostListed = 256;
  if (int64_t{max} - min >= kMostListed) return {};
  std::vector<int32_t> values;
  for (int32_t v = min; v <= max; ++v) values.push_back(v);
  return values;
}

std::span<const SettingKey> SettingKeys() { return kKeys; }

const SettingKey* FindSettingKey(const SettingKey::Field& field) {
  for (const SettingKey& key : kKeys) {
    if (key.field == field) return &key;
  }
  return nullptr;
}

const SettingCheck& CheckOf(const SettingKey::Field& field) {
  static constexpr SettingCheck kAnything{};
  const SettingKey* key = FindSettingKey(field);
  return key && key->check ? *key->check : kAnything;
}

bool SectionDiffers(const AppSettings& a, const AppSettings& b, std::string_view section) {
  for (const SettingKey& key : kKeys) {
    if (key.section != section) continue;
    const bool differs = std::visit(
        [&](auto member) {
          if constexpr (std::is_same_v<decltype(member), int32_t WindowPlacementSettings::*>) {
            return a.placement.*member != b.placement.*member;
          } else {
            return a.*member != b.*member;
          }
        },
        key.field);
    if (differs) return true;
  }
  return false;
}

}  // namespace kore
