#pragma once
// The configuration command ("環境設定(&C)"), the ".mml" association buttons, and the hooks the
// output opening procedure shows: CMMLNotifyDlg, the small "MIDIデバイス初期化中" box, and
// the failure question whose Yes opens the sheet on its output page.
// User-interface thread only.
#include <QDialog>
#include <cstdint>

#include "app/dialogs/config_sheet.h"
#include "app/dialogs/dialog_host.h"
#include "playback/output_setup.h"

namespace kore::dialogs {

// Runs the sheet on `page`. OK stores its values; either way the settings are written, and
// the output device is reopened only when an output value changed.
void RunConfiguration(DialogHost& host, int32_t page = kPageGeneral);

// "関連付け実行" (asks before overwriting) and "関連付け解除", with their messages.
void RegisterAssociationCommand(DialogHost& host);
void UnregisterAssociationCommand(DialogHost& host);

// The output part of the settings as the opening procedure takes it, and back.
OutputSettings OutputSettingsOf(const AppSettings& settings);
void StoreOutputSettings(const OutputSettings& output, AppSettings& settings);

// The small modeless waiting box.
class CMMLNotifyDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CMMLNotifyDlg(const QString& text, QWidget* parent = nullptr);
};

// Hooks for OpenOutput: the waiting box, and the question (No is the default button) whose Yes
// runs the sheet on page 2 and hands its output values back.
OutputOpenHooks MakeOutputOpenHooks(DialogHost& host);

}  // namespace kore::dialogs
