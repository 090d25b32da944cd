#pragma once
// What an SMF import reads and produces: the conversion options with their presets, the
// selection of source lists, and the converted MML texts.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kore {

// Result codes shared by the reader and the conversion.
constexpr int kSmfOk = 0;
constexpr int kSmfNoJob = 1;        // ConvertSmf without a job
constexpr int kSmfOpenFailed = 2;   // the file cannot be opened
constexpr int kSmfShortRead = 2;    // header or chunk header cut short
constexpr int kSmfBadChunkId = 3;   // "MThd" / "MTrk" expected
constexpr int kSmfBadHeader = 4;    // header length not 6, or format not 0..2
constexpr int kSmfVarLenTooLong = 3;

// Conversion options; the field names are the keys of the settings section.
struct SmfImportOptions {
  bool programChange = false;
  bool controlChange = false;
  bool pitchBend = false;
  bool velocity = false;
  bool midiText = false;
  bool sysEx = false;
  bool channel = false;
  bool reduceRest = true;
  bool spreadTrack = false;
  bool spreadControl = false;
  int32_t quantizeValue = 32;

  friend bool operator==(const SmfImportOptions&, const SmfImportOptions&) = default;
};

// Any stored quantise value other than 4, 8, 16, 32 or 64 reads as 32.
int32_t NormalizeQuantizeValue(int32_t stored);

// Presets of the import dialog, in combo-box order. Custom leaves the options alone.
enum class SmfImportPreset : int32_t {
  Custom = 0,
  ElvaraNormal = 1,
  ElvaraCompact = 2,
  ElvaraChord = 3,
  ExtendedMultiTrack = 4,
  ExtendedSingleTrack = 5,
};
constexpr int32_t kSmfImportPresetCount = 6;

// Shift-JIS display name of a preset ("カスタム", "Elvara 通常", ...); empty when out of range.
std::string SmfImportPresetName(int32_t preset);
// Sets the check-box options of a preset; the quantise value is never changed. Returns false
// (and changes nothing) for an unknown preset number.
bool ApplySmfImportPreset(int32_t preset, SmfImportOptions& options);
// A preset number (0..5) or its name (Shift-JIS) to a preset number; -1 when unknown.
int32_t FindSmfImportPreset(const std::string& numberOrName);

// The dialog's resolution text for the file's ticks per quarter and a quantise value:
// "分解能 = 480\nクオンタイズ = 60 " or, when the unit does not divide evenly,
// "分解能 = 100\nクオンタイズ = 6.25 *変換誤差*" (Shift-JIS).
std::string QuantizeDisplayText(int32_t ticksPerQuarter, int32_t quantizeValue);

// One line of the dialog's source list and the source list it selects.
struct SmfSourceLine {
  int32_t listIndex = 0;
  std::string text;  // Shift-JIS
};

// Per track chunk, as the reader saw it.
struct SmfChunkInfo {
  std::string name;          // last sequence/track name meta of the chunk
  int32_t port = 0;          // last port-prefix meta
  int32_t firstChannel = -1; // channel of the first channel event, -1 when none
  std::string displayName;   // "A01 name" or "--- name"
};

constexpr int32_t kSmfMaxOutputTracks = 16;
// An output text lives in a 1 MiB buffer that ends with a NUL.
constexpr size_t kSmfOutputLimit = 1024 * 1024 - 1;

struct SmfImportJob {
  // Input.
  std::string path;
  SmfImportOptions options;
  std::vector<int32_t> selectedSources;  // source list indexes, ascending
  int32_t spreadSource = 0;              // the one source list taken by spreadTrack

  // Filled by the reader.
  int32_t format = 0;
  int32_t trackCount = 0;       // as the header states it
  int32_t ticksPerQuarter = 32;
  std::string title;
  std::string copyright;
  std::vector<std::string> trackNames;  // per source list
  std::vector<SmfChunkInfo> chunks;     // per track chunk read

  // Filled by the conversion: converted texts in output order, at most 16, each at most
  // kSmfOutputLimit bytes.
  std::vector<std::string> outputs;
};

// The dialog's checks on OK. Returns 0 when the selection can be converted; otherwise
// 1 nothing selected, 2 more than one source with spreadTrack, 3 more than 16 sources, and
// puts the warning text (Shift-JIS) into `message` when given.
int32_t CheckSmfImportSelection(const SmfImportJob& job, std::string* message);

}  // namespace kore
