#pragma once
// A DialogHost over a real document, a recording MIDI device and bare editor panes, with the
// platform edges (file dialogs, clipboard, message boxes, modal loops) answered by the test.
#include <gtest/gtest.h>

#include <QDialog>
#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/base/temp_folder.h"
#include "app/dialogs/dialog_host.h"
#include "app/dialogs/form.h"
#include "base/shift_jis.h"
#include "editor/penna_editor.h"
#include "playback/midi_device.h"
#include "song/notifier.h"
#include "tests/support/qt_app.h"

namespace kore::dialogs::test {

// Every message box the code under test shows, answered from a queue (OK / Yes when empty).
struct MessageLog {
  struct Shown {
    QMessageBox::Icon icon;
    QString text;
    QMessageBox::StandardButton defaultButton;
  };
  std::vector<Shown> shown;
  std::deque<QMessageBox::StandardButton> answers;

  MessageLog() {
    SetMessageHook([this](const MessageRequest& r) {
      shown.push_back({r.icon, r.text, r.defaultButton});
      if (!answers.empty()) {
        auto a = answers.front();
        answers.pop_front();
        return a;
      }
      return (r.buttons & QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    });
  }
  ~MessageLog() { SetMessageHook({}); }
  QString Last() const { return shown.empty() ? QString() : shown.back().text; }
};

// Answers each modal dialog with the given function instead of a modal loop.
struct ModalDriver {
  explicit ModalDriver(std::function<int(QDialog&)> drive) { SetModalRunner(std::move(drive)); }
  ~ModalDriver() { SetModalRunner({}); }
};

class FakeHost : public DialogHost, public kore::test::WithQtApp {
 public:
  FakeHost() : document(&notifier) {}

  QWidget* DialogParent() override { return nullptr; }
  CMMLDocument& Document() override { return document; }
  AppSettings& Settings() override { return settings; }
  bool IsPlaying() const override { return playing; }
  void InitChannel(int32_t slot) override {
    kore::InitChannel(&device, settings.outputDls, slot, document.Track(slot));
  }
  PennaEditor* Pane(int32_t slot) override {
    if (slot < 0 || slot >= kTrackSlotCount || !document.Track(slot).inUse) return nullptr;
    auto& pane = panes[static_cast<size_t>(slot)];
    if (!pane) {
      pane = std::make_unique<PennaEditor>(slot, nullptr);
      pane->SetText(std::string(document.TrackText(slot)).c_str());
    }
    return pane.get();
  }
  void RefreshCaption() override { ++captionRefreshes; }
  void RefreshTab(int32_t slot) override { refreshedTabs.push_back(slot); }
  void RefreshInstrumentSelector() override { ++selectorRefreshes; }
  bool ConfirmDiscard() override { return discard; }
  std::string SettingsPath() override { return folder.File("KORE.ini"); }
  int SaveSettings() override {
    CProfileFile file(SettingsPath());
    return kore::SaveSettings(file, settings);
  }
  bool ReopenOutput() override {
    ++reopens;
    return true;
  }
  std::vector<OutputChoice> OutputChoices() override { return choices; }
  bool SynthesizerAvailable() override { return synthesizer; }
  CMMLPlayer* Player() override { return player; }
  CFluidSynthDevice* Synthesizer() override { return synth; }
  bool AssociationExists() override { return associated; }
  bool RegisterAssociation() override {
    ++registrations;
    associated = true;
    return true;
  }
  bool UnregisterAssociation() override {
    if (!removalWorks) return false;
    associated = false;
    return true;
  }
  std::optional<FileChosen> ChooseFile(const FileChoice& choice) override {
    fileRequests.push_back(choice);
    return chosenFile;
  }
  bool SetClipboardText(std::string_view sjis) override {
    clipboard = std::string(sjis);
    return true;
  }
  std::optional<std::string> ClipboardText() override { return clipboard; }

  // Creates tracks until the song has `count` and gives them texts and names.
  void MakeTracks(const std::vector<std::pair<std::string, std::string>>& nameAndText) {
    for (size_t i = 0; i < nameAndText.size(); ++i) {
      if (document.TrackCount() <= static_cast<int32_t>(i)) document.AddTrack();
      const int32_t slot = document.TrackOrder()[i];
      TrackProperties p = document.Track(slot);
      p.name = nameAndText[i].first;
      document.SetTrackProperties(slot, p);
      document.SetTrackText(slot, nameAndText[i].second);
    }
  }

  kore::testing_support::TempFolder folder;
  CollectingNotifier notifier;
  CMMLDocument document;
  AppSettings settings;
  CRecordingMidiDevice device;
  std::array<std::unique_ptr<PennaEditor>, kTrackSlotCount> panes;
  bool playing = false;
  bool discard = true;
  bool synthesizer = false;
  bool associated = false;
  bool removalWorks = true;
  int registrations = 0;
  int reopens = 0;
  int captionRefreshes = 0;
  int selectorRefreshes = 0;
  std::vector<int32_t> refreshedTabs;
  std::vector<OutputChoice> choices;
  CMMLPlayer* player = nullptr;
  CFluidSynthDevice* synth = nullptr;
  std::optional<std::string> clipboard;
  std::optional<FileChosen> chosenFile;
  std::vector<FileChoice> fileRequests;
};

template <typename T>
T* Find(QWidget& dialog, const char* name) {
  T* child = dialog.findChild<T*>(name);
  EXPECT_NE(child, nullptr) << name;
  return child;
}

}  // namespace kore::dialogs::test
