#pragma once
// The WAVE file the synthesizer's output is captured into: "RIFF", size, "WAVE", "fmt " with the
// 18-byte PCM format block, "data", size, then the audio bytes in the order they arrived. Both
// sizes are patched when the recording stops. The file is written under a temporary name in the
// same folder and renamed into place only when it is complete, so a failed export never leaves
// a partial file over a good one.
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

namespace kore {

// The wave format block as the synthesizer's output buffer describes it (WAVEFORMATEX layout).
struct WaveFormat {
  uint16_t formatTag = 1;  // PCM
  uint16_t channels = 2;
  uint32_t samplesPerSecond = 44100;
  uint32_t averageBytesPerSecond = 176400;
  uint16_t blockAlign = 4;
  uint16_t bitsPerSample = 16;
  uint16_t extraSize = 0;

  static WaveFormat Pcm16(uint32_t sampleRate, uint16_t channels);
  static constexpr uint32_t kBlockBytes = 18;
};

class CWaveWriter {
 public:
  CWaveWriter() = default;
  ~CWaveWriter();
  CWaveWriter(const CWaveWriter&) = delete;
  CWaveWriter& operator=(const CWaveWriter&) = delete;

  // 0 on success; 1 when a recording runs already or the file cannot be created.
  int StartRecording(const std::string& path, const WaveFormat& format);
  // Appends audio bytes while recording; anything else is ignored. Safe from another thread.
  void Append(const void* bytes, size_t length);
  // Patches the sizes, closes and renames the file into place. 0 on success (or when nothing
  // was recording); 1 when a write failed, in which case the temporary file is removed and any
  // file already at the path is left as it was.
  int StopRecording();
  // Drops the recording without touching the destination.
  void Discard();

  bool IsRecording() const;
  uint32_t DataBytes() const;
  // Why the last StartRecording or StopRecording failed (UTF-8, for the terminal).
  std::string LastError() const;

 private:
  void CloseAndRemove();

  mutable std::mutex mutex_;
  std::FILE* file_ = nullptr;
  std::string path_;
  std::string tempPath_;
  uint32_t formatBytes_ = 0;
  uint64_t dataBytes_ = 0;
  bool writeFailed_ = false;
  std::string error_;
};

}  // namespace kore
