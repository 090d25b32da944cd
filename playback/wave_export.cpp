#include "playback/wave_export.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "base/shift_jis.h"

namespace kore {
namespace {

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

std::string ProposedWaveFileName(const std::string& songPath, const std::string& sjisTitle) {
  if (!songPath.empty()) {
    std::filesystem::path p(songPath);
    p.replace_extension(".wav");
    return p.string();
  }
  if (!sjisTitle.empty()) {
    std::string name = SjisToUtf8Lossy(sjisTitle);
    // A title is not a path: keep it from naming another folder.
    for (char& c : name) {
      if (c == '/' || c == '\0' || c == '\\') c = '_';
    }
    if (name == "." || name == "..") name = "_";
    return name + ".wav";
  }
  return "NoTitle.wav";
}

std::string ExportElapsedText(int64_t elapsedMs) {
  if (elapsedMs < 0) elapsedMs = 0;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%02lld:%02lld.%03lld",
                static_cast<long long>(elapsedMs / 60000), static_cast<long long>((elapsedMs / 1000) % 60),
                static_cast<long long>(elapsedMs % 1000));
  return Sjis("出力時間  ") + buffer;
}

std::string CWaveExport::FailureMessage() { return Sjis("WAVEファイル出力に失敗しました。"); }
std::string CWaveExport::FinishedMessage() { return Sjis("WAVEファイルの出力が終了しました。"); }
std::string CWaveExport::AbortQuestion() { return Sjis("出力を中断しますか？"); }

CWaveExport::CWaveExport(CMMLPlayer& player, CFluidSynthDevice& device,
                         std::function<void(int32_t)> sleep)
    : player_(player), device_(device), sleep_(std::move(sleep)) {}

int CWaveExport::Start(const std::string& path) {
  if (device_.StartRecording(path) != 0) {
    error_ = device_.IsOpen() ? device_.RecordingError() : "the synthesizer is not open";
    state_ = State::Failed;
    return 1;
  }
  state_ = State::Exporting;
  writeFailed_ = false;
  elapsedMs_ = 0;
  startMs_ = NowMs();
  // A playback that cannot start is a failed export, not an empty file reported as finished.
  if (player_.StartPlayback(0, false) != 0) {
    device_.StopRecording();
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    error_ = "playback could not start";
    state_ = State::Failed;
    return 1;
  }
  progressMax_ = player_.LastTick();
  progress_ = 0;
  return 0;
}

CWaveExport::State CWaveExport::OnTimer() {
  if (state_ != State::Exporting) return state_;
  if (player_.IsPlaying()) {
    elapsedMs_ = NowMs() - startMs_;
    progress_ = player_.CurrentTick();
    return state_;
  }
  progress_ = player_.CurrentTick();
  // Let the synthesizer's tail (reverb and release) reach the file.
  if (sleep_) {
    sleep_(1000);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  }
  StopExport();
  state_ = writeFailed_ ? State::Failed : State::Finished;
  return state_;
}

void CWaveExport::Abort() {
  if (state_ != State::Exporting) return;
  StopExport();
  state_ = writeFailed_ ? State::Failed : State::Aborted;
}

void CWaveExport::StopExport() {
  if (player_.IsPlaying()) player_.Stop();
  if (device_.StopRecording() != 0) {
    writeFailed_ = true;
    error_ = device_.RecordingError();
  }
}

}  // namespace kore
