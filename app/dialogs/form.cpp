#include "app/dialogs/form.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QLabel>
#include <QWidget>

#include "base/shift_jis.h"

namespace kore::dialogs {
namespace {

MessageHook& Hook() {
  static MessageHook hook;
  return hook;
}

ModalRunner& Runner() {
  static ModalRunner runner;
  return runner;
}

}  // namespace

void SetModalRunner(ModalRunner runner) { Runner() = std::move(runner); }

int RunModal(QDialog& dialog) {
  if (Runner()) return Runner()(dialog);
  return dialog.exec();
}

QDialogButtonBox* OkCancelButtons(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
  ok->setText(QStringLiteral("OK"));
  cancel->setText(QStringLiteral("キャンセル"));
  Name(ok, "okButton", ok->text());
  Name(cancel, "cancelButton", cancel->text());
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

QString FromSjis(std::string_view sjis) { return QString::fromStdString(SjisToUtf8Lossy(sjis)); }

std::string ToSjis(const QString& text) { return Utf8ToSjisLossy(text.toStdString()); }

QString StripMnemonic(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&') {
      // "(&N)" loses its whole bracket; a lone "&" before a letter only itself; "&&" is one "&".
      if (i + 1 < text.size() && text[i + 1] == u'&') {
        out += u'&';
        ++i;
      } else if (!out.isEmpty() && out.back() == u'(' && i + 2 < text.size() &&
                 text[i + 2] == u')') {
        out.chop(1);
        i += 2;
      }
      continue;
    }
    out += text[i];
  }
  return out.trimmed();
}

void Name(QWidget* control, const QString& objectName, const QString& visibleText) {
  control->setObjectName(objectName);
  control->setAccessibleName(StripMnemonic(visibleText));
  // An editable list's text field is a control of its own in the accessibility tree.
  if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->lineEdit()) {
    combo->lineEdit()->setAccessibleName(StripMnemonic(visibleText));
  }
}

QLabel* MakeBuddyLabel(const QString& label, QWidget* control, const QString& objectName) {
  auto* l = new QLabel(label);
  l->setBuddy(control);
  l->setObjectName(objectName + "Label");
  Name(control, objectName, label);
  return l;
}

QLabel* AddRow(QFormLayout* form, const QString& label, QWidget* control,
               const QString& objectName) {
  QLabel* l = MakeBuddyLabel(label, control, objectName);
  form->addRow(l, control);
  return l;
}

void SetMessageHook(MessageHook hook) { Hook() = std::move(hook); }

QString AppTitle() { return QStringLiteral("KOR EDITOR"); }

QMessageBox::StandardButton ShowMessage(QWidget* parent, const MessageRequest& request) {
  MessageRequest r = request;
  if (r.caption.isEmpty()) r.caption = AppTitle();
  if (Hook()) return Hook()(r);
  QMessageBox box(r.icon, r.caption, r.text, r.buttons, parent);
  if (r.defaultButton != QMessageBox::NoButton) box.setDefaultButton(r.defaultButton);
  box.setObjectName("messageBox");
  box.setAccessibleName(r.caption);
  box.setAccessibleDescription(r.text);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

void Inform(QWidget* parent, const QString& text) {
  ShowMessage(parent, {QMessageBox::Information, text, {}, QMessageBox::Ok, QMessageBox::NoButton});
}

void Warn(QWidget* parent, const QString& text) {
  ShowMessage(parent, {QMessageBox::Warning, text, {}, QMessageBox::Ok, QMessageBox::NoButton});
}

void Fail(QWidget* parent, const QString& text) {
  ShowMessage(parent, {QMessageBox::Critical, text, {}, QMessageBox::Ok, QMessageBox::NoButton});
}

bool AskYesNo(QWidget* parent, const QString& text, QMessageBox::StandardButton defaultButton) {
  return ShowMessage(parent, {QMessageBox::Question, text, {},
                              QMessageBox::Yes | QMessageBox::No, defaultButton}) ==
         QMessageBox::Yes;
}

}  // namespace kore::dialogs
