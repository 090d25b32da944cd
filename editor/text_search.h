#pragma once
// Finding and replacing text in one track's MML: the search behind the find-and-replace dialog.
// Works on Shift-JIS bytes; offsets are 0-based byte offsets with line ends as they stand in
// the text (CR LF counts two bytes, as the editor's through positions do). No Qt, no editor:
// the dialog reads the pane's text, calls these, and moves the pane's selection.
// User-interface thread only (nothing here keeps state).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kore {

// A match starts on a character boundary, never at the second byte of a two-byte character,
// and without the case flag only single-byte letters are folded.
struct TextSearchOptions {
  bool caseSensitive = true;
};

// First occurrence at or after `start` (a character boundary). Nothing when there is none, when
// the key is empty, or when `start` is not below the text's length.
std::optional<size_t> FindDown(std::string_view text, std::string_view key, size_t start,
                               TextSearchOptions options);

// The last occurrence that begins before `start`; `start` may equal the text's length (searching
// up from the end). Nothing when there is none or `start` lies past the end.
std::optional<size_t> FindUp(std::string_view text, std::string_view key, size_t start,
                             TextSearchOptions options);

struct ReplaceAllResult {
  std::string text;      // the whole text after the replacements (unchanged when count is 0)
  int32_t count = 0;     // replacements made
  size_t rangeEnd = 0;   // the range's end after the length changes
  bool stoppedAtLimit = false;  // a further replacement would have passed `capacity`
};

// Replaces every occurrence that lies wholly inside [rangeStart, rangeEnd); the end follows the
// length changes of earlier replacements, and the search goes on after each inserted text. A
// replacement that would make the text longer than `capacity` bytes is not made, nor is any
// after it, so the text is never cut.
ReplaceAllResult ReplaceAll(std::string_view text, std::string_view key,
                            std::string_view replacement, size_t rangeStart, size_t rangeEnd,
                            TextSearchOptions options, size_t capacity);

}  // namespace kore
