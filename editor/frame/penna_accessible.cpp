#include "editor/frame/penna_accessible.h"

#include "base/shift_jis.h"
#include "editor/char_class.h"
#include "editor/penna_editor.h"

#include <QAccessibleWidget>
#include <algorithm>
#include <string>
#include <vector>

namespace kore {
namespace {

constexpr int32_t kCrLf = 1;

class PennaAccessible : public QAccessibleWidget,
                        public QAccessibleTextInterface,
                        public QAccessibleEditableTextInterface {
 public:
  explicit PennaAccessible(PennaEditor* editor)
      : QAccessibleWidget(editor, QAccessible::EditableText), editor_(editor) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    if (type == QAccessible::EditableTextInterface)
      return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    bool writable = editor_->buffer().writable();
    s.readOnly = !writable;
    s.editable = writable;
    s.multiLine = true;
    s.selectableText = true;
    return s;
  }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return Whole();
    return QAccessibleWidget::text(t);
  }

  // ---- text
  int characterCount() const override { return static_cast<int>(Offsets().size()) - 1; }
  QString text(int start, int end) const override {
    return Whole().mid(start, std::max(0, end - start));
  }
  int cursorPosition() const override {
    const editor::TextBuffer& b = editor_->buffer();
    return CharOf(b.ThroughOf(b.caret()) - 1);
  }
  void setCursorPosition(int position) override {
    editor_->SetCaretThrough(ByteOf(position) + 1);
  }
  int selectionCount() const override { return editor_->buffer().HasSelection() ? 1 : 0; }
  void selection(int index, int* start, int* end) const override {
    *start = *end = 0;
    int32_t s = 0, e = 0;
    if (index != 0 || editor_->GetSelB(&s, &e) != -1) return;
    *start = CharOf(s - 1);
    *end = CharOf(e - 1);
  }
  void addSelection(int start, int end) override { setSelection(0, start, end); }
  void removeSelection(int) override {
    editor_->SetCaretThrough(ByteOf(cursorPosition()) + 1);
  }
  void setSelection(int, int start, int end) override {
    editor_->SetSelB(ByteOf(start) + 1, ByteOf(end) + 1);
  }
  QRect characterRect(int offset) const override {
    editor::TextPoint point;
    if (!editor_->buffer().PointOfThrough(ByteOf(offset) + 1, &point)) return {};
    QPoint origin = editor_->PointOrigin(point);
    if (origin.x() < 0) return {};
    QPoint global = editor_->viewport()->mapToGlobal(origin);
    return QRect(global, QSize(editor_->charWidth(), editor_->rowHeight()));
  }
  int offsetAtPoint(const QPoint& point) const override {
    editor::TextPoint at = editor_->PointAt(editor_->viewport()->mapFromGlobal(point));
    return CharOf(editor_->buffer().ThroughOf(at) - 1);
  }
  void scrollToSubstring(int start, int) override { setCursorPosition(start); }
  QString attributes(int offset, int* start, int* end) const override {
    *start = *end = offset;
    return {};
  }

  // ---- editable text, through the editor's undoable replace command
  void deleteText(int start, int end) override { replaceText(start, end, QString()); }
  void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
  void replaceText(int start, int end, const QString& text) override {
    if (!editor_->buffer().writable()) return;
    int32_t from = ByteOf(start) + 1, to = ByteOf(end) + 1;
    if (from == to) {
      editor_->SetCaretThrough(from);
    } else {
      editor_->SetSelB(from, to);
    }
    std::string sjis = Utf8ToSjisLossy(text.toStdString());
    editor_->SetSelText(sjis.c_str());
  }

 private:
  QString Whole() const {
    return QString::fromStdString(SjisToUtf8Lossy(editor_->GetText(kCrLf)));
  }
  // Byte offset of every character start, plus the end.
  std::vector<int32_t> Offsets() const {
    std::string bytes = editor_->GetText(kCrLf);
    std::vector<int32_t> offsets;
    for (int32_t i = 0; i < static_cast<int32_t>(bytes.size());) {
      offsets.push_back(i);
      i += std::max<int32_t>(1, editor::CharLengthAt(bytes, i));
    }
    offsets.push_back(static_cast<int32_t>(bytes.size()));
    return offsets;
  }
  int32_t ByteOf(int character) const {
    std::vector<int32_t> offsets = Offsets();
    size_t index = std::clamp<size_t>(static_cast<size_t>(std::max(character, 0)), 0,
                                      offsets.size() - 1);
    return offsets[index];
  }
  int CharOf(int32_t byte) const {
    std::vector<int32_t> offsets = Offsets();
    auto it = std::lower_bound(offsets.begin(), offsets.end(), byte);
    return static_cast<int>(it - offsets.begin());
  }

  PennaEditor* editor_;
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
  if (className != QLatin1String("kore::PennaEditor")) return nullptr;
  auto* editor = qobject_cast<PennaEditor*>(object);
  return editor ? new PennaAccessible(editor) : nullptr;
}

}  // namespace

void InstallPennaAccessibility() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  QAccessible::installFactory(&Factory);
}

}  // namespace kore
