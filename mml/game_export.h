#pragma once
// The game-format export: up to three tracks become one text "MML@" + melody + "," + chord 1 +
// "," + chord 2 + ";", optionally rewritten short by the MML writer, with the composition rank
// the lengths need. Also the texts and rules the export dialog shows. Takes plain inputs (the
// tracks' texts and names) so that it needs nothing of the song document.
// All texts are Shift-JIS.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kore {

// Clipboard formats, as the dialog's radio buttons number them.
constexpr int32_t kGameFormatGame = 0;       // "MML@a,b,c;"
constexpr int32_t kGameFormatBoard = 1;      // header, then the parts on lines of their own
constexpr int32_t kGameFormatElvaraMml = 2;  // the whole song as a song file (song/ builds it)
constexpr size_t kMaxGameParts = 3;

// Number of MML characters the game counts in a track (comments and white space left out): the
// EndOfTrack value of a compile.
int32_t MmlCharacterCount(std::string_view mml);

// The track's own text reduced to the game's command bytes, lower case: comments ("//", "/* */"
// and ";" to the end of the line) and "[...]" spans are dropped. With `keepLineBreaks` (board
// form) CR and LF stay, except at the end.
std::string PlainGameMml(std::string_view mml, bool keepLineBreaks);

// Length of a part as the game counts it: its bytes without line breaks.
int32_t GamePartLength(std::string_view part);

// Rank index 0..15 the three part lengths (melody, chord 1, chord 2; 0 for a missing part)
// need, or -1 when some part is too long for every rank.
int32_t RequiredRank(const std::array<int32_t, 3>& lengths);
// "練習", "F", ... "1"; "作曲不可能" for -1 (and any index out of the table).
std::string RankName(int32_t rankIndex);
// The limit of part row 0..2 at rank index 0..15.
int32_t RankLimit(int32_t part, int32_t rankIndex);

struct GameExportTrack {
  std::string name;      // track name
  std::string_view mml;  // track text; must outlive the BuildGameMml call
};

struct GameExportPart {
  size_t track = 0;  // position in the tracks given to BuildGameMml
  std::string name;
  std::string text;            // the part as exported
  int32_t characterCount = 0;  // MML character count of the track
  int32_t length = 0;          // final length (GamePartLength of `text`)
  char method = 0;             // 'A' (writer mode 0), 'B' (mode 1), 'X' (plain); 0 unoptimised
};

struct GameExportResult {
  std::vector<GameExportPart> parts;  // part order: longest first
  std::string methods;                // with optimisation: one letter per track, in track order
  int32_t totalLength = 0;
  int32_t rankIndex = -1;
  std::string mml;  // "MML@" ... ";" in the format's layout, without the board header

  // Final lengths in part order, 0 for missing parts.
  std::array<int32_t, 3> PartLengths() const;
};

// Builds the parts of up to three tracks (in track order) for format 0 or 1. Returns the total
// length of the parts; 0 means nothing to export (no track, more than three, another format, or
// only empty parts), and `result` is then left empty.
int32_t BuildGameMml(std::span<const GameExportTrack> tracks, int32_t format, bool optimize,
                     GameExportResult& result);

// Format 1 header: title, source and rank lines, then an empty line, each ended by CR LF.
std::string BoardHeader(std::string_view title, std::string_view source,
                        const GameExportResult& result);
// What goes on the clipboard for format 0 or 1: the header (format 1) and the MML@ text.
std::string GameClipboardText(int32_t format, std::string_view title, std::string_view source,
                              const GameExportResult& result);
// The information message shown after an export of format 0 or 1.
std::string GameExportMessage(int32_t format, bool optimize, const GameExportResult& result);

// Format 2: the song-file bytes become the clipboard text without their final byte.
std::string ElvaraMmlClipboardText(std::string_view songFileBytes);

// ---- What the export dialog shows -------------------------------------------------------

// The explanation below the format radio buttons.
std::string FormatDescription(int32_t format);
// One list item: "%4d文字 : %s" with the MML character count and the track name.
std::string TrackListItem(int32_t characterCount, std::string_view name);

struct ExportStatus {
  std::string text;
  bool copyEnabled = false;
};
// The status line and the state of the copy button for the selection (MML character counts of
// the selected tracks, any order).
ExportStatus ExportStatusFor(int32_t format, std::span<const int32_t> selectedCharacterCounts);

// Messages of the dialog's buttons.
std::string ElvaraMmlExportedMessage();  // "ElvaraMML形式で出力しました。"
std::string TitleCopiedMessage();        // "曲名をコピーしました。"
std::string TrackNameCopiedMessage();    // "トラック名をコピーしました。"
std::string InstrumentCopiedMessage();   // "楽器名をコピーしました。"

// Which list items are selected, and in which order they were selected: at most three stay
// selected, the earliest selected giving way to a new one.
class TrackSelection {
 public:
  // The first three items (or fewer) start selected.
  explicit TrackSelection(int32_t itemCount);

  // A click: selects or deselects the item; items outside the list are ignored.
  void Toggle(int32_t item);
  // "選択をリセット": nothing selected.
  void Reset();

  bool IsSelected(int32_t item) const;
  int32_t ItemCount() const { return itemCount_; }
  // Selected items in list order (the order the export takes them in).
  std::vector<int32_t> Selected() const;
  // Selected items, earliest selected first.
  const std::vector<int32_t>& SelectionOrder() const { return order_; }

 private:
  int32_t itemCount_;
  std::vector<int32_t> order_;
};

}  // namespace kore
