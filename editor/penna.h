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

/* Colour indices of PennaSetColor. */
enum {
  PENNA_COLOR_TAB_MARK = 0,
  PENNA_COLOR_SPACE_MARK = 1,
  PENNA_COLOR_WIDE_SPACE_MARK = 2,
  PENNA_COLOR_CARET_UNDERLINE = 3,
  PENNA_COLOR_LINE_END_MARK = 4,
  PENNA_COLOR_EOF_MARK = 5,
  PENNA_COLOR_TEXT = 6,
  PENNA_COLOR_LINE_NUMBER = 7,
  PENNA_COLOR_SEPARATOR = 8,
  PENNA_COLOR_CARET_NUMBER_BACK = 9,
  PENNA_COLOR_RULER_NUMBER = 10,
  PENNA_COLOR_RULER_BACK = 11,
  PENNA_COLOR_RULER_TICK = 12,
  PENNA_COLOR_RULER_CARET = 13,
  PENNA_COLOR_WEB_TEXT = 14,
  PENNA_COLOR_MAIL_TEXT = 15,
  PENNA_COLOR_HIGHLIGHT_TEXT = 16,
  PENNA_COLOR_HIGHLIGHT_BACK = 17,
  PENNA_COLOR_BACKGROUND = 18,
  PENNA_COLOR_WEB_UNDERLINE = 19,
  PENNA_COLOR_MAIL_UNDERLINE = 20,
  PENNA_COLOR_COUNT = 21
};

/* Mark kinds of PennaSetMarkVisible. */
enum {
  PENNA_MARK_TAB = 0,
  PENNA_MARK_SPACE = 1,
  PENNA_MARK_WIDE_SPACE = 2,
  PENNA_MARK_CARET_UNDERLINE = 3,
  PENNA_MARK_LINE_END = 4,
  PENNA_MARK_EOF = 5,
  PENNA_MARK_COUNT = 6
};

/* Indices of PennaSetMetrics. */
enum {
  PENNA_METRIC_TAB_WIDTH = 0,       /* columns, at least 1 */
  PENNA_METRIC_RULER_HEIGHT = 1,    /* pixels */
  PENNA_METRIC_MARGIN_WIDTH = 2,    /* pixels */
  PENNA_METRIC_SELECTION_ROP = 3,   /* raster mix code */
  PENNA_METRIC_BOLD_WEIGHT = 4,
  PENNA_METRIC_WHEEL_LINES = 5,     /* lines per wheel notch */
  PENNA_METRIC_LINE_SPACING = 6,    /* extra pixels between lines */
  PENNA_METRIC_ADDRESS_FLAGS = 7,   /* bit 0 mail, 1 "http:", 2 "https:", 3 "ftp:" */
  PENNA_METRIC_DRAG_FLAGS = 8,      /* drag mode bits 0, 1, 4; bit 2 no drops; bit 3 no drags */
  PENNA_METRIC_WEB_PEN = 9,         /* pen style of web address underlines */
  PENNA_METRIC_MAIL_PEN = 10,       /* pen style of mail address underlines */
  PENNA_METRIC_SEPARATOR_PEN = 11,  /* pen style of the line-number separator */
  PENNA_METRIC_OVERWRITE = 12,      /* nonzero: overwrite mode */
  PENNA_METRIC_NUMBER_GAP = 13,     /* pixels between line numbers and text */
  PENNA_METRIC_OWNER_DRAW = 14,     /* owner-drawn marks, one bit per mark */
  PENNA_METRIC_CREATE_HIDDEN = 15,  /* global: later instances start hidden, unfocused */
  PENNA_METRIC_USER_VALUE = 16,     /* stored only */
  PENNA_METRIC_SELECTION_ORDER = 17, /* report the selection in the order it was made */
  PENNA_METRIC_WORD_JOIN = 18,      /* word-join flags of double-click selection */
  PENNA_METRIC_COUNT = 19
};

/* Indices of PennaGetMetrics. */
enum {
  PENNA_INFO_CHAR_WIDTH = 0,
  PENNA_INFO_CHAR_HEIGHT = 1,
  PENNA_INFO_UNDO_STEPS = 2,
  PENNA_INFO_REDO_STEPS = 3,
  PENNA_INFO_CARET_X = 4,
  PENNA_INFO_CARET_Y = 5
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
