// The dialogs' speed targets: replace all of 100,000 matches in a 1 MiB track with the pane's
// update; find next in 1 MiB while the highlight is set in 16 panes; opening the export and
// song dialogs on 15 tracks of 64 KiB. Run with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <array>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/dialogs/clip_commands.h"
#include "app/dialogs/dialog_host.h"
#include "app/dialogs/form.h"
#include "app/dialogs/property_commands.h"
#include "app/dialogs/text_search_dialog.h"
#include "editor/penna_editor.h"

namespace {

using namespace kore;
using namespace kore::dialogs;

QApplication* App() {
  static int argc = 1;
  static char name[] = "dialogs_bench";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    auto* a = new QApplication(argc, argv);
    SetMessageHook([](const MessageRequest&) { return QMessageBox::Ok; });
    return a;
  }();
  return app;
}

// Just enough of a main window: the document, 16 panes, no device. As in the tabbed editing
// frame only the current pane is shown, unless `allShown` asks for the worst case.
class BenchHost : public DialogHost {
 public:
  explicit BenchHost(bool allShown = false) {
    for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
      panes[size_t(slot)] = std::make_unique<PennaEditor>(slot, nullptr);
      panes[size_t(slot)]->resize(800, 600);
      panes[size_t(slot)]->SetEditorVisible(allShown || slot == document.CurrentTrack());
    }
  }
  QWidget* DialogParent() override { return nullptr; }
  CMMLDocument& Document() override { return document; }
  AppSettings& Settings() override { return settings; }
  bool IsPlaying() const override { return false; }
  void InitChannel(int32_t) override {}
  PennaEditor* Pane(int32_t slot) override { return panes[size_t(slot)].get(); }
  void RefreshCaption() override {}
  void RefreshTab(int32_t) override {}
  void RefreshInstrumentSelector() override {}
  bool ConfirmDiscard() override { return true; }
  std::string SettingsPath() override { return "/dev/null"; }
  int SaveSettings() override { return 0; }
  bool ReopenOutput() override { return true; }
  bool SynthesizerAvailable() override { return false; }
  CMMLPlayer* Player() override { return nullptr; }
  CFluidSynthDevice* Synthesizer() override { return nullptr; }
  bool AssociationExists() override { return false; }
  bool RegisterAssociation() override { return true; }
  bool UnregisterAssociation() override { return true; }

  CMMLDocument document;
  AppSettings settings;
  std::array<std::unique_ptr<PennaEditor>, kTrackSlotCount> panes;
};

// 100,000 "gec" in 20,000 lines: 1,040,000 bytes with CR LF.
const std::string& MegabyteWithMatches() {
  static const std::string text = [] {
    std::string t;
    for (int line = 0; line < 20000; ++line) {
      for (int k = 0; k < 5; ++k) t += "t gec4 ab ";
      t += "\r\n";
    }
    return t;
  }();
  return text;
}

void Type(CMMLTextSearch& dialog, const char* key, const char* replacement) {
  dialog.findChild<QComboBox*>("searchText")->setEditText(key);
  dialog.findChild<QComboBox*>("replaceText")->setEditText(replacement);
}

void BM_ReplaceAll100kMatchesIn1MiB(benchmark::State& state) {
  App();
  BenchHost host;
  PennaEditor* pane = host.Pane(host.document.CurrentTrack());
  CMMLTextSearch dialog(host);
  dialog.OpenReplace();
  Type(dialog, "gec", "GEC");
  for (auto _ : state) {
    state.PauseTiming();
    pane->SetText(MegabyteWithMatches().c_str());
    state.ResumeTiming();
    dialog.ReplaceAll();
  }
}
BENCHMARK(BM_ReplaceAll100kMatchesIn1MiB)->Unit(benchmark::kMillisecond);

void BM_FindNextIn1MiBWithHighlightIn16Panes(benchmark::State& state) {
  App();
  BenchHost host;
  for (auto& pane : host.panes) pane->SetText(MegabyteWithMatches().c_str());
  PennaEditor* pane = host.Pane(host.document.CurrentTrack());
  CMMLTextSearch dialog(host);
  dialog.OpenFind();
  Type(dialog, "gec", "");
  for (auto _ : state) {
    dialog.SearchDown();
    QApplication::processEvents();  // the panes' repaints
  }
  benchmark::DoNotOptimize(pane);
}
BENCHMARK(BM_FindNextIn1MiBWithHighlightIn16Panes)->Unit(benchmark::kMillisecond);

// The same with a new search string every time, so all 16 panes redraw their highlight.
void BM_FindWithNewKeyIn1MiBHighlighting16Panes(benchmark::State& state) {
  App();
  BenchHost host(state.range(0) != 0);
  for (auto& pane : host.panes) pane->SetText(MegabyteWithMatches().c_str());
  CMMLTextSearch dialog(host);
  dialog.OpenFind();
  bool flip = false;
  for (auto _ : state) {
    Type(dialog, flip ? "gec" : "ge", "");
    flip = !flip;
    dialog.SearchDown();
    QApplication::processEvents();
  }
}
// Argument: 0 only the current pane shown (the editing frame), 1 all sixteen shown.
BENCHMARK(BM_FindWithNewKeyIn1MiBHighlighting16Panes)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// 15 tracks of 64 KiB each.
BenchHost& FifteenTracks() {
  static BenchHost* host = [] {
    App();
    auto* h = new BenchHost;
    std::string mml;
    while (mml.size() < 64 * 1024) mml += "l8 cdefgab>c<bagfedc r4\r\n";
    while (h->document.TrackCount() < 15) h->document.AddTrack();
    for (int32_t i = 0; i < 15; ++i) h->document.SetTrackText(h->document.TrackOrder()[size_t(i)], mml);
    return h;
  }();
  return *host;
}

void BM_OpenExportDialog15x64KiB(benchmark::State& state) {
  BenchHost& host = FifteenTracks();
  for (auto _ : state) {
    CMMLClipExportDlg dialog(ClipExportOptionsFor(host));
    benchmark::DoNotOptimize(&dialog);
  }
}
BENCHMARK(BM_OpenExportDialog15x64KiB)->Unit(benchmark::kMillisecond);

void BM_OpenSongDialog15x64KiB(benchmark::State& state) {
  BenchHost& host = FifteenTracks();
  for (auto _ : state) {
    CMMLPropatyDlg dialog(SongPropertyOptionsFor(host));
    benchmark::DoNotOptimize(&dialog);
  }
}
BENCHMARK(BM_OpenSongDialog15x64KiB)->Unit(benchmark::kMillisecond);

}  // namespace
