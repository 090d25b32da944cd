#pragma once
// The Standard MIDI File commands of the file menu: export the song ("標準MIDIファイルを出力(&P)")
// and import a file as a new song ("標準MIDIファイルを入力(&M)").
// User-interface thread only.
#include <cstdint>

#include "app/dialogs/dialog_host.h"
#include "app/dialogs/smf_import_dialog.h"

namespace kore::dialogs {

// The format a filter of the export dialog chooses: the second gives format 0, the others 1.
int32_t SmfFormatOfFilter(int32_t filterIndex);

void ExportSmfCommand(DialogHost& host);
void ImportSmfCommand(DialogHost& host);

// The settings' import options and back.
SmfImportOptions SmfImportOptionsOf(const AppSettings& settings);
void StoreSmfImportOptions(const SmfImportOptions& options, AppSettings& settings);

}  // namespace kore::dialogs
