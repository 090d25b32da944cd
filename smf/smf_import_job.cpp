#include "smf/smf_import_job.h"

#include <cstdio>
#include <cstdlib>

#include "base/shift_jis.h"

namespace kore {

int32_t NormalizeQuantizeValue(int32_t stored) {
  switch (stored) {
    case 4: case 8: case 16: case 32: case 64:
      return stored;
    default:
      return 32;
  }
}

namespace {

struct PresetRow {
  const char* name;  // UTF-8 source text
  bool programChange, controlChange, pitchBend, velocity, midiText, sysEx, channel;
  bool reduceRest, spreadTrack, spreadControl;
};

constexpr PresetRow kPresets[kSmfImportPresetCount] = {
    {"カスタム", false, false, false, false, false, false, false, false, false, false},
    {"Elvara 通常", false, false, false, false, false, false, false, false, false, false},
    {"Elvara 文字数節約", false, false, false, false, false, false, false, true, false, false},
    {"Elvara 和音再現", false, false, false, false, false, false, false, false, true, false},
    {"拡張 多数トラック", true, true, false, true, true, true, true, false, false, false},
    {"拡張 単体トラック精密", true, true, true, true, true, true, true, false, true, true},
};

}  // namespace

std::string SmfImportPresetName(int32_t preset) {
  if (preset < 0 || preset >= kSmfImportPresetCount) return {};
  return Sjis(kPresets[preset].name);
}

bool ApplySmfImportPreset(int32_t preset, SmfImportOptions& options) {
  if (preset < 0 || preset >= kSmfImportPresetCount) return false;
  if (preset == static_cast<int32_t>(SmfImportPreset::Custom)) return true;
  const PresetRow& row = kPresets[preset];
  options.programChange = row.programChange;
  options.controlChange = row.controlChange;
  options.pitchBend = row.pitchBend;
  options.velocity = row.velocity;
  options.midiText = row.midiText;
  options.sysEx = row.sysEx;
  options.channel = row.channel;
  options.reduceRest = row.reduceRest;
  options.spreadTrack = row.spreadTrack;
  options.spreadControl = row.spreadControl;
  return true;
}

int32_t FindSmfImportPreset(const std::string& numberOrName) {
  if (numberOrName.size() == 1 && numberOrName[0] >= '0' && numberOrName[0] <= '9') {
    int32_t n = numberOrName[0] - '0';
    return n < kSmfImportPresetCount ? n : -1;
  }
  for (int32_t i = 0; i < kSmfImportPresetCount; ++i) {
    if (numberOrName == SmfImportPresetName(i)) return i;
  }
  return -1;
}

std::string QuantizeDisplayText(int32_t ticksPerQuarter, int32_t quantizeValue) {
  char buffer[128];
  int64_t whole = static_cast<int64_t>(ticksPerQuarter) * 4;
  if (quantizeValue > 0 && whole % quantizeValue == 0) {
    std::snprintf(buffer, sizeof buffer, "分解能 = %d\nクオンタイズ = %lld ", ticksPerQuarter,
                  static_cast<long long>(whole / quantizeValue));
  } else {
    double unit = quantizeValue > 0 ? static_cast<double>(whole) / quantizeValue : 0.0;
    std::snprintf(buffer, sizeof buffer, "分解能 = %d\nクオンタイズ = %.2f *変換誤差*",
                  ticksPerQuarter, unit);
  }
  return Sjis(buffer);
}

int32_t CheckSmfImportSelection(const SmfImportJob& job, std::string* message) {
  const size_t count = job.selectedSources.size();
  int32_t code = 0;
  std::string text;
  if (count == 0) {
    code = 1;
    text = Sjis("トラックが選択されていません。");
  } else if (job.options.spreadTrack && count > 1) {
    code = 2;
    text = Sjis("1MIDIトラック→複数MMLトラック変換では\nトラックを１つだけ選択してください。");
  } else if (count > static_cast<size_t>(kSmfMaxOutputTracks)) {
    code = 3;
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "トラックは最大で%dまで選択してください。",
                  kSmfMaxOutputTracks);
    text = Sjis(buffer);
  }
  if (message) *message = text;
  return code;
}

}  // namespace kore
