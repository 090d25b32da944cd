// The editor's speed targets: setting a 1 MiB text of 20,000 lines, one keystroke at its end
// (edit, change notification, caret-line repaint) and a full page repaint with the ten MML
// emphasis rules. Run with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <cstdlib>
#include <memory>
#include <string>

#include "base/shift_jis.h"
#include "editor/editor_core.h"
#include "editor/penna_editor.h"
#include "editor/penna_event.h"

namespace {

using kore::PennaEditor;

QApplication* App() {
  static int argc = 1;
  static char name[] = "editor_text_bench";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return new QApplication(argc, argv);
  }();
  return app;
}

// 20,000 lines of MML with comments, a directive, multi-line comments and Japanese: exactly
// 1 MiB with CR LF line ends (lines of 50 or 51 bytes).
const std::string& MegabyteOfMml() {
  static const std::string text = [] {
    const std::string lines[] = {
        "t120 v12 l8 o4 cdef gab>c <bagf edc4 r4 c8d8e8f8 g4a4b4 c2 r2",
        kore::Sjis("// メロディの二小節目、ここから和音が入る ------------------"),
        "/* chord part: o3 c1 e1 g1 c1 e1 g1 c1 e1 g1 c1 e1 c1 e1 g1",
        "   o3 e1 g1 >c1 <e1 g1 >c1 <e1 g1 >c1 n60 n64 */ c d e f g",
        "//#using_extension comment line for the directive rule -----",
        "L16 O5 c d e f g a b >c< b a g f e d c r8 T140 V10 N72 c d e",
    };
    constexpr int kLines = 20000;
    constexpr size_t kTotal = 1u << 20;
    const size_t extra = kTotal - kLines * 52;  // lines that get a 51st byte
    std::string out;
    out.reserve(kTotal);
    for (int i = 0; i < kLines; ++i) {
      size_t length = 50 + (static_cast<size_t>(i) < extra ? 1 : 0);
      std::string line = lines[i % 6];
      // Cut at a character boundary and pad, so no two-byte character is split.
      size_t cut = 0;
      while (cut < line.size()) {
        size_t n = kore::IsSjisLeadByte(line[cut]) ? 2 : 1;
        if (cut + n > length) break;
        cut += n;
      }
      line.resize(cut);
      line.append(length - cut, ' ');
      out += line;
      if (i + 1 < kLines) out += "\r\n";
    }
    out.append(kTotal - out.size(), 'c');
    return out;
  }();
  return text;
}

// A parent that receives the parent messages, as the application's frame does.
class Owner : public QWidget {
 public:
  int64_t messages = 0;
  bool event(QEvent* e) override {
    if (e->type() == kore::PennaMessageEvent::Type()) {
      ++messages;
      return true;
    }
    return QWidget::event(e);
  }
};

int32_t CountChange(int32_t, intptr_t param, int32_t) {
  ++*reinterpret_cast<int64_t*>(param);
  return 0;
}

struct Fixture {
  Owner owner;
  std::unique_ptr<PennaEditor> editor;
  int64_t callbacks = 0;

  explicit Fixture(QSize size) {
    owner.resize(size);
    editor = std::make_unique<PennaEditor>(0, &owner);
    editor->SetPos(0, 0, size.width(), size.height());
    editor->AddEmphasis("//#", nullptr, 2, 0x008080, 0, 2, 0);
    editor->AddEmphasis("//", nullptr, 2, 0x00A000, 0, 0, 1);
    editor->AddEmphasis("/*", "*/", 4, 0x00A000, 0, 0, 0);
    for (const char* c : {"T", "V", "O", "N", "L"})
      editor->AddEmphasis(c, nullptr, 1, c[0] == 'N' ? 0x0000FF : 0x0080FF, 2, 0, 0);
    editor->AddEmphasis("<", nullptr, 1, 0xFF0000, 1, 0, 0);
    editor->AddEmphasis(">", nullptr, 1, 0xFF0000, 1, 0, 0);
    editor->SetCodeCallback(PENNA_MSG_CHANGE, CountChange, reinterpret_cast<intptr_t>(&callbacks));
    owner.show();
    QApplication::processEvents();
  }
};

void BM_TextBufferSetText1MiB(benchmark::State& state) {
  const std::string& text = MegabyteOfMml();
  kore::editor::TextBuffer buffer;
  for (auto _ : state) {
    benchmark::DoNotOptimize(buffer.SetText(text));
  }
  state.counters["lines"] = buffer.LineCount();
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_TextBufferSetText1MiB)->Unit(benchmark::kMillisecond);

void BM_EditorSetText1MiB(benchmark::State& state) {
  App();
  Fixture f(QSize(800, 600));
  const std::string& text = MegabyteOfMml();
  for (auto _ : state) {
    benchmark::DoNotOptimize(f.editor->SetText(text.c_str()));
    QApplication::processEvents();  // the window shows the new page
  }
  state.counters["lines"] = f.editor->buffer().LineCount();
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_EditorSetText1MiB)->Unit(benchmark::kMillisecond);

void BM_KeystrokeAtEndOf1MiB(benchmark::State& state) {
  App();
  Fixture f(QSize(800, 600));
  f.editor->SetText(MegabyteOfMml().c_str());
  f.editor->core().Move(kore::editor::CaretMove::TextEnd, false);
  f.editor->Draw();
  QApplication::processEvents();
  QKeyEvent type(QEvent::KeyPress, Qt::Key_C, Qt::NoModifier, QStringLiteral("c"));
  QKeyEvent erase(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
  bool typing = true;
  for (auto _ : state) {
    // Alternately type a character and take it back, so the line keeps its length.
    QApplication::sendEvent(f.editor.get(), typing ? &type : &erase);
    QApplication::processEvents();  // the caret line reaches the window
    typing = !typing;
  }
  state.counters["notifications"] = static_cast<double>(f.callbacks);
  state.counters["lines"] = f.editor->buffer().LineCount();
}
BENCHMARK(BM_KeystrokeAtEndOf1MiB)->Unit(benchmark::kMicrosecond);

void BM_FullPageRepaintMmlRules(benchmark::State& state) {
  App();
  Fixture f(QSize(1000, 760));
  f.editor->SetText(MegabyteOfMml().c_str());
  f.editor->Draw();
  QApplication::processEvents();
  for (auto _ : state) {
    f.editor->Draw();
    QApplication::processEvents();
  }
  state.counters["visible_lines"] = f.editor->core().visibleLines;
  state.counters["visible_columns"] = f.editor->core().visibleColumns;
}
BENCHMARK(BM_FullPageRepaintMmlRules)->Unit(benchmark::kMicrosecond);

}  // namespace
