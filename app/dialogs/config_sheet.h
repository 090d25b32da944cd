#pragma once
// CMMLConfigSheet, "環境設定": the general, file, output and synthesizer pages over a copy of
// the settings. The buttons that act at once (editor font, association, bank chooser) only
// ask; the configuration command (config_commands.h) answers them.
// User-interface thread only; std::string texts in AppSettings are Shift-JIS.
#include <QDialog>
#include <cstdint>
#include <vector>

#include "base/app_settings.h"
#include "playback/output_setup.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;
class QTabWidget;

namespace kore::dialogs {

enum ConfigPage : int32_t { kPageGeneral = 0, kPageFile = 1, kPageMidi = 2, kPageDls = 3 };

struct ConfigOptions {
  AppSettings settings;
  std::vector<OutputChoice> outputs;
  bool synthesizerAvailable = false;  // the DLS page exists only then
  int32_t page = kPageGeneral;
};

class CMMLConfigSheet : public QDialog {
  Q_OBJECT

 public:
  explicit CMMLConfigSheet(const ConfigOptions& options, QWidget* parent = nullptr);
  ConfigOptions options() const;

  // The answers to the requests below.
  void SetDlsPath(const QString& path);
  void SetEditorFont(const std::string& sjisName, int32_t size);

 Q_SIGNALS:
  void fontRequested();
  void registerRequested();
  void unregisterRequested();
  void dlsBrowseRequested(const QString& currentPath);

 private:
  QWidget* GeneralPage();
  QWidget* FilePage();
  QWidget* MidiPage();
  QWidget* DlsPage();

  ConfigOptions options_;
  QTabWidget* tabs_ = nullptr;
  QComboBox* trackCount_ = nullptr;
  QComboBox* windowStyle_ = nullptr;
  QComboBox* timeBase_ = nullptr;
  QComboBox* frameRate_ = nullptr;
  QCheckBox* compatible_ = nullptr;
  QCheckBox* compact_ = nullptr;
  QCheckBox* autoSave_ = nullptr;
  QComboBox* output_ = nullptr;
  QComboBox* resetType_ = nullptr;
  QLineEdit* dlsPath_ = nullptr;
  QComboBox* samplingRate_ = nullptr;
  QComboBox* channels_ = nullptr;
  QCheckBox* reverb_ = nullptr;
  QCheckBox* chorus_ = nullptr;
  QCheckBox* delay_ = nullptr;
  QSlider* volume_ = nullptr;
};

}  // namespace kore::dialogs
