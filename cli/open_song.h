#pragma once
// The one way a subcommand opens a song: any format the editor's open command takes.
// Paths are file-system paths (UTF-8); song texts stay Shift-JIS inside the document.
#include <cstdint>
#include <memory>
#include <string>

#include "song/song_document.h"

namespace kore::cli {

// Reads a song file, ".kor" or ".mms" (chosen by extension) into a new document, through the
// same load the editor does. A file that cannot be read, or holds nothing of a song file, fails
// with "ファイルのオープンに失敗しました: <path>" and exit code 1. An imported ".mms" stays
// untitled (empty path), as in the editor.
std::unique_ptr<CMMLDocument> OpenSongOrFail(const std::string& path,
                                             int32_t defaultTicksPerQuarter = 32);

}  // namespace kore::cli
