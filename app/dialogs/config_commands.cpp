#include "app/dialogs/config_commands.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <memory>

#include "app/dialogs/form.h"
#include "base/setting_keys.h"
#include "base/shift_jis.h"
#include "editor/penna_editor.h"

namespace kore::dialogs {
namespace {

// The device is opened from these two sections; a change to any of their keys opens it again.
bool OutputChanged(const AppSettings& a, const AppSettings& b) {
  return SectionDiffers(a, b, kMidiSettingsSection) || SectionDiffers(a, b, kDlsSettingsSection);
}

// "エディタフォント設定(&F)": the first pane's font dialog; the chosen font goes to every pane
// and into the settings at once.
void ChooseEditorFont(DialogHost& host, CMMLConfigSheet& sheet) {
  PennaEditor* first = nullptr;
  for (int32_t slot : host.Document().TrackOrder()) {
    if (slot < 0 || slot >= kTrackSlotCount) break;
    if ((first = host.Pane(slot))) break;
  }
  if (!first) return;
  char face[32] = {};
  const int32_t points = first->FontDialog(face, true);
  if (points <= 0 || face[0] == '\0') return;
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
    if (PennaEditor* pane = host.Pane(slot); pane && pane != first) pane->SetFontFace(face, points, true);
  }
  host.Settings().editorFontName = face;
  host.Settings().editorFontSize = points;
  sheet.SetEditorFont(face, points);
}

void BrowseDls(DialogHost& host, CMMLConfigSheet& sheet, const QString& current) {
  FileChoice choice;
  choice.save = false;
  choice.initialPath = current;
  choice.filters = {QStringLiteral("DLS音色データ (*.dls)"),
                    QStringLiteral("SoundFont (*.sf2 *.sf3)"), QStringLiteral("All Files (*)")};
  choice.defaultSuffix = "dls";
  if (auto chosen = host.ChooseFile(choice)) sheet.SetDlsPath(QString::fromStdString(chosen->path));
}

}  // namespace

OutputSettings OutputSettingsOf(const AppSettings& s) {
  OutputSettings o;
  o.outputDls = s.outputDls;
  o.port = s.porta;
  o.resetType = s.resetType;
  o.dlsFilePath = SjisToUtf8Lossy(s.dlsFilePath);
  o.samplingRate = s.samplingRate;
  o.channel = s.dlsChannel;
  o.volume = s.dlsVolume;
  o.reverb = s.enableReverb;
  o.chorus = s.enableChorus;
  o.delay = s.enableDelay;
  o.audioDriver = s.audioDriver;
  return o;
}

void StoreOutputSettings(const OutputSettings& o, AppSettings& s) {
  s.outputDls = o.outputDls;
  s.porta = o.port;
  s.resetType = o.resetType;
  s.dlsFilePath = Utf8ToSjisLossy(o.dlsFilePath);
  s.samplingRate = o.samplingRate;
  s.dlsChannel = o.channel;
  s.dlsVolume = o.volume;
  s.enableReverb = o.reverb;
  s.enableChorus = o.chorus;
  s.enableDelay = o.delay;
  s.audioDriver = o.audioDriver;
}

void RunConfiguration(DialogHost& host, int32_t page) {
  const AppSettings before = host.Settings();
  ConfigOptions options;
  options.settings = before;
  options.outputs = host.OutputChoices();
  options.synthesizerAvailable = host.SynthesizerAvailable();
  options.page = page;
  CMMLConfigSheet sheet(options, host.DialogParent());
  QObject::connect(&sheet, &CMMLConfigSheet::fontRequested, &sheet,
                   [&host, &sheet] { ChooseEditorFont(host, sheet); });
  QObject::connect(&sheet, &CMMLConfigSheet::registerRequested, &sheet,
                   [&host] { RegisterAssociationCommand(host); });
  QObject::connect(&sheet, &CMMLConfigSheet::unregisterRequested, &sheet,
                   [&host] { UnregisterAssociationCommand(host); });
  QObject::connect(&sheet, &CMMLConfigSheet::dlsBrowseRequested, &sheet,
                   [&host, &sheet](const QString& current) { BrowseDls(host, sheet, current); });
  if (RunModal(sheet) == QDialog::Accepted) host.Settings() = sheet.options().settings;
  if (OutputChanged(before, host.Settings())) host.ReopenOutput();
  host.SaveSettings();
}

void RegisterAssociationCommand(DialogHost& host) {
  QWidget* parent = host.DialogParent();
  if (host.AssociationExists() &&
      !AskYesNo(parent, QStringLiteral("既に関連付けられています。\n既存の関連付け設定に上書きしますか？"))) {
    return;
  }
  if (host.RegisterAssociation()) {
    Inform(parent, QStringLiteral("関連付けを実行しました。"));
  } else {
    Fail(parent, QStringLiteral("関連付けに失敗しました。"));
  }
}

void UnregisterAssociationCommand(DialogHost& host) {
  QWidget* parent = host.DialogParent();
  if (host.UnregisterAssociation()) {
    Inform(parent, QStringLiteral("関連付けを解除しました。"));
  } else {
    Fail(parent, QStringLiteral("関連付けに失敗しました。"));
  }
}

CMMLNotifyDlg::CMMLNotifyDlg(const QString& text, QWidget* parent) : QDialog(parent) {
  setObjectName("notifyDialog");
  setWindowTitle(AppTitle());
  setModal(false);
  auto* label = new QLabel(text);
  label->setObjectName("notifyText");
  label->setAccessibleName(text);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
}

OutputOpenHooks MakeOutputOpenHooks(DialogHost& host) {
  auto box = std::make_shared<std::unique_ptr<CMMLNotifyDlg>>();
  OutputOpenHooks hooks;
  hooks.showWaiting = [&host, box] {
    *box = std::make_unique<CMMLNotifyDlg>(FromSjis(OpeningMessage()), host.DialogParent());
    (*box)->show();
    QApplication::processEvents();
  };
  hooks.hideWaiting = [box] { box->reset(); };
  hooks.askOpenSettings = [&host](const std::string& message, const std::string& caption,
                                  OutputSettings& settings) {
    MessageRequest request{QMessageBox::Question, FromSjis(message), FromSjis(caption),
                           QMessageBox::Yes | QMessageBox::No, QMessageBox::No};
    if (ShowMessage(host.DialogParent(), request) != QMessageBox::Yes) return false;
    StoreOutputSettings(settings, host.Settings());
    ConfigOptions options;
    options.settings = host.Settings();
    options.outputs = host.OutputChoices();
    options.synthesizerAvailable = host.SynthesizerAvailable();
    options.page = kPageMidi;
    CMMLConfigSheet sheet(options, host.DialogParent());
    if (RunModal(sheet) == QDialog::Accepted) host.Settings() = sheet.options().settings;
    const std::string soundFont = settings.soundFontPath;
    settings = OutputSettingsOf(host.Settings());
    settings.soundFontPath = soundFont;
    return true;
  };
  return hooks;
}

}  // namespace kore::dialogs
