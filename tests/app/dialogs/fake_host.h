#pragma once
// A DialogHost over a real document, a recording MIDI device and bare editor panes, with the
// platform edges (file dialogs, clipboard, message boxes, modal loops) answered by the test;
// and the controls the dialog tests find by name.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "app/dialogs/dialog_host.h"
#include "app/dialogs/form.h"
#include "base/profile_file.h"
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

// Answers each modal dialog instead of a modal loop: `fill` works its controls, then OK (Cancel
// when `ok` is false) closes it unless `fill` already did.
struct ModalDriver {
  explicit ModalDriver(std::function<void(QDialog&)> fill, bool ok = true) {
    SetModalRunner([fill = std::move(fill), ok](QDialog& d) {
      auto closed = std::make_shared<bool>(false);
      auto c = QObject::connect(&d, &QDialog::finished, [closed] { *closed = true; });
      fill(d);
      if (!*closed) ok ? d.accept() : d.reject();
      QObject::disconnect(c);
      return d.result();
    });
  }
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
  void RefreshInstrumentSelector() override {}
  bool ConfirmDiscard() override { return true; }
  std::string SettingsPath() override { return folder.File("KORE.ini"); }
  std::string Ini() { return ReadWholeFile(SettingsPath()).value_or(""); }
  int SaveSettings() override {
    CProfileFile file(SettingsPath());
    return kore::SaveSettings(file, settings);
  }
  bool ReopenOutput() override { return ++reopens; }
  std::vector<OutputChoice> OutputChoices() override { return choices; }
  bool SynthesizerAvailable() override { return synthesizer; }
  CMMLPlayer* Player() override { return player; }
  CFluidSynthDevice* Synthesizer() override { return synth; }
  bool AssociationExists() override { return associated; }
  bool RegisterAssociation() override { return ++registrations, associated = true; }
  bool UnregisterAssociation() override { return removalWorks && !(associated = false); }
  std::optional<FileChosen> ChooseFile(const FileChoice&) override { return chosenFile; }
  bool SetClipboardText(std::string_view sjis) override {
    return clipboard = std::string(sjis), true;
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

  kore::test::TempDir folder;
  CollectingNotifier notifier;
  CMMLDocument document;
  AppSettings settings;
  CRecordingMidiDevice device;
  std::array<std::unique_ptr<PennaEditor>, kTrackSlotCount> panes;
  bool playing = false;
  bool synthesizer = false;
  bool associated = false;
  bool removalWorks = true;
  int registrations = 0;
  int reopens = 0;
  int captionRefreshes = 0;
  std::vector<int32_t> refreshedTabs;
  std::vector<OutputChoice> choices;
  CMMLPlayer* player = nullptr;
  CFluidSynthDevice* synth = nullptr;
  std::optional<std::string> clipboard;
  std::optional<FileChosen> chosenFile;
};

// A host and the message boxes of a test.
struct HostTest : ::testing::Test {
  FakeHost host;
  MessageLog messages;
};

template <typename T>
T* Find(QWidget& dialog, const char* name) {
  T* child = dialog.findChild<T*>(name);
  EXPECT_NE(child, nullptr) << name;
  return child;
}

}  // namespace kore::dialogs::test
