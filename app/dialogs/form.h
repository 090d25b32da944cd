#pragma once
// What every dialog builds with: the form helper that gives each control its label as buddy,
// accessible name and object name; the Shift-JIS <-> QString edge; and the message boxes,
// which tests answer through a hook instead of a modal loop.
// User-interface thread only. Texts passed as std::string are Shift-JIS; QStrings are Unicode.
#include <QMessageBox>
#include <QString>
#include <functional>
#include <string>
#include <string_view>

class QAbstractButton;
class QDialog;
class QDialogButtonBox;
class QFormLayout;
class QGridLayout;
class QLabel;
class QWidget;

namespace kore::dialogs {

// Shift-JIS bytes to a QString and back (undecodable bytes become U+FFFD / "?").
QString FromSjis(std::string_view sjis);
std::string ToSjis(const QString& text);

// A label text without its "&" mnemonic marker ("トラック名(&N)" -> "トラック名", "&&" -> "&").
QString StripMnemonic(const QString& text);

// Names a control: object name and accessible name (the visible text without "&").
void Name(QWidget* control, const QString& objectName, const QString& visibleText);

// Adds a labelled row: the label becomes the control's buddy, the control is named after it.
QLabel* AddRow(QFormLayout* form, const QString& label, QWidget* control,
               const QString& objectName);
// The same for a control placed by the caller: returns the label, already its buddy.
QLabel* MakeBuddyLabel(const QString& label, QWidget* control, const QString& objectName);

// Message boxes with the program's fixed texts.
struct MessageRequest {
  QMessageBox::Icon icon = QMessageBox::Information;
  QString text;
  QString caption;
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
  QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};
// When set, every box goes to the hook instead of a modal loop; its answer is the button.
using MessageHook = std::function<QMessageBox::StandardButton(const MessageRequest&)>;
void SetMessageHook(MessageHook hook);

QMessageBox::StandardButton ShowMessage(QWidget* parent, const MessageRequest& request);
void Inform(QWidget* parent, const QString& text);
void Warn(QWidget* parent, const QString& text);
void Fail(QWidget* parent, const QString& text);  // error (stop) icon
// Yes/No question; true for Yes.
bool AskYesNo(QWidget* parent, const QString& text, QMessageBox::StandardButton defaultButton =
                                                        QMessageBox::Yes);

// Runs a modal dialog (exec). When a runner is set, it gets the dialog instead, so tests drive
// whole command flows without a modal loop; it returns the dialog's result.
using ModalRunner = std::function<int(QDialog&)>;
void SetModalRunner(ModalRunner runner);
int RunModal(QDialog& dialog);

// OK and "キャンセル" buttons, named, wired to accept and reject.
QDialogButtonBox* OkCancelButtons(QDialog* dialog);

// The caption every box carries.
QString AppTitle();

}  // namespace kore::dialogs
