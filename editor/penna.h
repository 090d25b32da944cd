/* The editor control's flat interface, exported by libpenna for other programs.
 * Every function addresses an editor by its instance id (0 .. slot count - 1). Results are
 * 32-bit signed: -1 success, small negative codes for failure (PENNA_E_*). Strings are
 * NUL-terminated Shift-JIS bytes. Window handles are QWidget pointers; a callback's parameter
 * is handed back unchanged and may carry a pointer. */
#ifndef KORE_EDITOR_PENNA_H
#define KORE_EDITOR_PENNA_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define PENNA_API __attribute__((visibility("default")))
#else
#define PENNA_API
#endif

enum {
  PENNA_OK = -1,
  PENNA_E_FAILED = -2,
  PENNA_E_NOMEMORY = -3,
  PENNA_E_ARGUMENT = -4,
  PENNA_E_ID = -5,
  PENNA_E_CANCELLED = -6,
  PENNA_E_READONLY = -7,
  PENNA_E_TABLEFULL = -8,
  PENNA_E_MULTILINE = -9,
  PENNA_E_INNERLEVEL = -10,
  PENNA_E_SLOTUSED = -11,
  PENNA_E_NOSELECTION = -12
};

/* Messages sent synchronously to the parent widget (as kore::PennaMessageEvent), each before
 * the matching callback. wParam carries (id << 16) | code unless noted. */
enum {
  PENNA_MSG_CHANGE = 2024,
  PENNA_MSG_MOUSEMOVE = 2025,
  PENNA_MSG_CONTEXTMENU = 2026,
  PENNA_MSG_CARETMOVE = 2027,
  PENNA_MSG_SELCHANGE = 2028, /* wParam 0 */
  PENNA_MSG_INSCHANGE = 2029,
  PENNA_MSG_DRAWITEM = 0x002B /* owner-drawn marks, lParam points to a PennaDrawItem */
};

/* What an owner-drawn mark message carries. `hdc` is the QPainter drawing the off-screen
 * image; right = 0 for the line-end and end-of-text marks. */
typedef struct PennaDrawItem {
  uint32_t ctlType; /* 1000 */
  uint32_t ctlId;   /* 0 */
  uint32_t itemId;  /* instance id */
  uint32_t itemState; /* 0 half-width space, 1 full-width space, 2 tab, 3 line end, 4 end of text */
  void* hwndItem;
  void* hdc;
  int32_t left, top, right, bottom;
} PennaDrawItem;

/* Change, caret move, insert mode and mouse move callbacks get a code; selection change and
 * context menu callbacks do not. Results are ignored. */
typedef int32_t (*PennaCodeProc)(int32_t id, intptr_t param, int32_t code);
typedef int32_t (*PennaNotifyProc)(int32_t id, intptr_t param);

PENNA_API int32_t PennaStart(void* moduleInstance);
PENNA_API void PennaSetCursor(int32_t marginCursor, int32_t linkCursor);
PENNA_API int32_t GetPennaVer(void);
PENNA_API int32_t GetPennaBetaVer(void);
PENNA_API int32_t PennaRedim(int32_t slotCount);
PENNA_API int32_t PennaDelete(int32_t id);
PENNA_API int32_t PennaCreate(int32_t id, void* parent, int32_t x, int32_t y, int32_t width,
                              int32_t height);
PENNA_API int32_t PennaSetFocus(int32_t id);
PENNA_API int32_t PennaSetPos(int32_t id, int32_t x, int32_t y, int32_t width, int32_t height);
PENNA_API int32_t PennaSetVisible(int32_t id, uint8_t visible);
PENNA_API int32_t PennaRefresh(int32_t id);
PENNA_API void* PennaGetWnd(int32_t id);

PENNA_API int32_t PennaCopy(int32_t id);
PENNA_API int32_t PennaCut(int32_t id);
PENNA_API int32_t PennaPaste(int32_t id);
PENNA_API int32_t PennaUndo(int32_t id);
PENNA_API int32_t PennaRedo(int32_t id);
PENNA_API int32_t PennaIndent(int32_t id);
PENNA_API int32_t PennaUnIndent(int32_t id);
PENNA_API int32_t PennaSelectAll(int32_t id);

PENNA_API int32_t PennaSetText(int32_t id, const char* text);
PENNA_API int32_t PennaGetTextLength(int32_t id);
/* `buffer` must hold PennaGetTextLength + 1 bytes. */
PENNA_API int32_t PennaGetText(int32_t id, char* buffer, int32_t lineCode);
PENNA_API int32_t PennaSetSelText(int32_t id, const char* text);
/* `buffer` must hold the selection length (line ends as two bytes) + 1 bytes. */
PENNA_API int32_t PennaGetSelText(int32_t id, char* buffer);
PENNA_API int32_t PennaGetLines(int32_t id);
PENNA_API const char* PennaGetLineData(int32_t id, int32_t line);
PENNA_API int32_t PennaGetLineLen(int32_t id, int32_t line);
PENNA_API int32_t PennaGetLineCode(int32_t id);

PENNA_API int32_t PennaSetSelA(int32_t id, int32_t startLine, int32_t startPos, int32_t endLine,
                               int32_t endPos);
PENNA_API int32_t PennaGetSelA(int32_t id, int32_t* startLine, int32_t* startPos,
                               int32_t* endLine, int32_t* endPos);
PENNA_API int32_t PennaSetSelB(int32_t id, int32_t start, int32_t end);
PENNA_API int32_t PennaGetSelB(int32_t id, int32_t* start, int32_t* end);
PENNA_API int32_t PennaGetCaretLine(int32_t id);
PENNA_API int32_t PennaGetCaretPos(int32_t id);
PENNA_API int32_t PennaSetCaretLine(int32_t id, int32_t line);
PENNA_API int32_t PennaSetCaretPos(int32_t id, int32_t pos);
PENNA_API int32_t PennaGetCaretVPos(int32_t id);
PENNA_API int32_t PennaGetCaretThrough(int32_t id);
PENNA_API int32_t PennaSetCaretThrough(int32_t id, int32_t through);

PENNA_API int32_t PennaSetMark(int32_t id, int32_t line, uint32_t mark, uint8_t redraw);
PENNA_API int32_t PennaGetMark(int32_t id, int32_t line);
PENNA_API int32_t PennaSetHighlight(int32_t id, const char* text, uint8_t caseSensitive,
                                    uint8_t redraw);
PENNA_API int32_t PennaAddEmphasis(int32_t id, const char* begin, const char* end, int32_t type,
                                   uint32_t colour, uint32_t flags, int32_t level,
                                   int32_t innerLevel);
PENNA_API int32_t PennaResetEmphasis(int32_t id, uint8_t redraw);
/* `faceName` receives at most 32 bytes including the NUL; it may be null. */
PENNA_API int32_t PennaFontDialog(int32_t id, char* faceName, uint8_t redraw);
PENNA_API int32_t PennaSetFont(int32_t id, const char* faceName, int32_t points, uint8_t redraw);
PENNA_API int32_t PennaSetColor(int32_t id, int32_t index, uint32_t colour, uint8_t redraw);
PENNA_API int32_t PennaSetMarkVisible(int32_t id, int32_t kind, uint8_t visible, uint8_t redraw);
PENNA_API int32_t PennaSetMetrics(int32_t id, int32_t index, int32_t value, uint8_t redraw);
PENNA_API int32_t PennaGetMetrics(int32_t id, int32_t index);
PENNA_API int32_t PennaWriteEnable(int32_t id, uint8_t writable);
PENNA_API int32_t PennaSetLapel(int32_t id, uint8_t wrap, int32_t column, uint8_t redraw);

PENNA_API int32_t PennaEventCaretMove(int32_t id, PennaCodeProc callback, intptr_t param);
PENNA_API int32_t PennaEventSelChange(int32_t id, PennaNotifyProc callback, intptr_t param);
PENNA_API int32_t PennaEventInsChange(int32_t id, PennaCodeProc callback, intptr_t param);
PENNA_API int32_t PennaEventChange(int32_t id, PennaCodeProc callback, intptr_t param);
PENNA_API int32_t PennaEventContextMenu(int32_t id, PennaNotifyProc callback, intptr_t param);
PENNA_API int32_t PennaEventMouseMove(int32_t id, PennaCodeProc callback, intptr_t param);

PENNA_API void PennaEnd(void);

#ifdef __cplusplus
}
#endif

#endif /* KORE_EDITOR_PENNA_H */
