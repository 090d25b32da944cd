#pragma once
// The real-time WAVE export the export dialog drives: recording the synthesizer while the song
// plays once from the start, progress by the player's position, the 1 s tail, and abort.
#include <cstdint>
#include <functional>
#include <string>

#include "playback/mml_player.h"
#include "playback/synth_device.h"

namespace kore {

// The proposed file name (UTF-8 path): the song's path with the extension ".wav"; else the
// title (Shift-JIS) followed by ".wav", with characters a file name cannot hold replaced;
// else "NoTitle.wav".
std::string ProposedWaveFileName(const std::string& songPath, const std::string& sjisTitle);

// "出力時間  MM:SS.mmm" (Shift-JIS) for an elapsed time in milliseconds.
std::string ExportElapsedText(int64_t elapsedMs);

class CWaveExport {
 public:
  enum class State { Idle, Exporting, Finished, Aborted, Failed };

  // `sleep` stands in for the 1 s wait for the tail (tests); real sleeping when empty.
  CWaveExport(CMMLPlayer& player, CFluidSynthDevice& device,
              std::function<void(int32_t ms)> sleep = {});

  // Starts recording into `path` and playback from tick 0 without loop. 0 on success; 1 when
  // the file cannot be created, the synthesizer is not open or playback cannot start (no file
  // is left then; "WAVEファイル出力に失敗しました。").
  int Start(const std::string& path);
  // The 200 ms timer: updates the progress while the player plays; once it has stopped, waits
  // for the tail, finishes the file and reports Finished (or Failed when writing failed).
  State OnTimer();
  // Stops playback and finishes the file with what was captured so far.
  void Abort();

  State GetState() const { return state_; }
  int32_t ProgressMax() const { return progressMax_; }
  int32_t Progress() const { return progress_; }
  int64_t ElapsedMs() const { return elapsedMs_; }
  std::string Error() const { return error_; }

  static std::string FailureMessage();   // "WAVEファイル出力に失敗しました。"
  static std::string FinishedMessage();  // "WAVEファイルの出力が終了しました。"
  static std::string AbortQuestion();    // "出力を中断しますか？"

 private:
  void StopExport();

  CMMLPlayer& player_;
  CFluidSynthDevice& device_;
  std::function<void(int32_t)> sleep_;
  State state_ = State::Idle;
  int64_t startMs_ = 0;
  int64_t elapsedMs_ = 0;
  int32_t progressMax_ = 0;
  int32_t progress_ = 0;
  bool writeFailed_ = false;
  std::string error_;
};

}  // namespace kore
