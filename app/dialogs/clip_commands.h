#pragma once
// The clipboard commands: game-format export ("クリップボードへMMLを出力(&E)") and the import of
// MML@ text or a whole song from the clipboard ("クリップボードのMMLを入力(&I)").
// User-interface thread only.
#include "app/dialogs/clip_export_dialog.h"
#include "app/dialogs/clip_import_dialog.h"
#include "app/dialogs/dialog_host.h"

namespace kore::dialogs {

ClipExportOptions ClipExportOptionsFor(DialogHost& host);
// "MMLをコピー": the text on the clipboard and the message; the optimise box is remembered.
void FinishClipExport(DialogHost& host, const ClipExportOptions& options);
// The three small copy buttons.
void CopyForExport(DialogHost& host, const ClipExportOptions& options, ClipCopyKind kind);
void ShowClipExport(DialogHost& host);

void ImportClipboard(DialogHost& host);

}  // namespace kore::dialogs
