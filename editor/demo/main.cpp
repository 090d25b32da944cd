// Shows one editor, driven only through the flat interface of libpenna, holding MML with
// comments, directives, Japanese text and every mark. `--screenshot FILE` saves the window and
// exits.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/shift_jis.h"
#include "editor/penna.h"

namespace {

// The MML look of the program's editing frame.
void ApplyMmlLook(int32_t id) {
  PennaAddEmphasis(id, "//#", nullptr, 2, 0x008080, 0, 2, 0);
  PennaAddEmphasis(id, "//", nullptr, 2, 0x00A000, 0, 0, 1);
  PennaAddEmphasis(id, "/*", "*/", 4, 0x00A000, 0, 0, 0);
  PennaAddEmphasis(id, "T", nullptr, 1, 0x0080FF, 2, 0, 0);
  PennaAddEmphasis(id, "V", nullptr, 1, 0x0080FF, 2, 0, 0);
  PennaAddEmphasis(id, "O", nullptr, 1, 0x0080FF, 2, 0, 0);
  PennaAddEmphasis(id, "N", nullptr, 1, 0x0000FF, 2, 0, 0);
  PennaAddEmphasis(id, "L", nullptr, 1, 0x0080FF, 2, 0, 0);
  PennaAddEmphasis(id, "<", nullptr, 1, 0xFF0000, 1, 0, 0);
  PennaAddEmphasis(id, ">", nullptr, 1, 0xFF0000, 1, 0, 0);
  PennaSetMetrics(id, 1, 15, 0);
  PennaSetMetrics(id, 6, 1, 0);
  PennaSetColor(id, 10, 0xE7E1DE, 0);
  PennaSetColor(id, 11, 0x896E67, 0);
  PennaSetColor(id, 12, 0x613F2C, 0);
  PennaSetColor(id, 8, 0x896E67, 0);
  PennaSetColor(id, 6, 0x5C4540, 0);
}

const char kSong[] =
    "//#title 春の小川\n"
    "// メロディ: 四分音符で始まる\n"
    "/* 和音のパートは\n"
    "   二小節目から */\n"
    "t120 v12 l8 o4\n"
    "\tc d e f g4 a>c <b4 r4\n"
    "c4.　e8 g>c<g e   // 全角スペース\n"
    "n60 n64 n67 L16 O5 cdefgab>c\n"
    "// 楽譜: https://example.com/mml と score@example.jp\n"
    "MML@t150l8cdef,o3c1,o3e1;";

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const char* screenshot = nullptr;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--screenshot") == 0) screenshot = argv[i + 1];
  }

  QWidget window;
  window.setWindowTitle(QString::fromUtf8("KOR EDITOR — libpenna"));
  window.resize(720, 232);
  PennaStart(nullptr);
  if (PennaCreate(0, &window, 0, 0, 720, 232) != -1) return 1;
  ApplyMmlLook(0);
  PennaSetFont(0, kore::Sjis("ＭＳ ゴシック").c_str(), 12, 0);
  PennaSetText(0, kore::Sjis(kSong).c_str());
  PennaSetMark(0, 1, 1, 0);
  PennaSetMark(0, 5, 2, 0);
  PennaSetMark(0, 8, 3, 0);
  PennaSetHighlight(0, "cdef", 1, 0);
  PennaSetCaretLine(0, 6);
  PennaSetCaretPos(0, 6);
  PennaSetFocus(0);
  PennaRefresh(0);
  window.show();
  window.activateWindow();

  if (screenshot) {
    QTimer::singleShot(500, [&] {
      PennaSetFocus(0);
      PennaRefresh(0);
      bool saved = window.grab().save(QString::fromLocal8Bit(screenshot));
      std::fprintf(stderr, saved ? "saved %s\n" : "could not save %s\n", screenshot);
      app.exit(saved ? 0 : 1);
    });
  }
  int rc = app.exec();
  PennaEnd();
  return rc;
}
