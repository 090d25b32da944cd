#include "editor/frame/penna_frame.h"

#include <QCoreApplication>
#include <QResizeEvent>
#include <algorithm>

#include "editor/frame/penna_accessible.h"
#include "editor/penna.h"
#include "editor/penna_event.h"

namespace kore {
namespace {

struct EmphasisRule {
  const char* begin;
  const char* end;
  int32_t type;
  uint32_t colour;
  uint32_t flags;
  int32_t level;
  int32_t innerLevel;
};

constexpr int32_t kToLineEnd = 2, kAcrossLines = 4, kWord = 1;
constexpr uint32_t kBold = 1, kIgnoreCase = 2;

// Directives, line comments, block comments, the T V O N L commands and the octave shifts.
constexpr EmphasisRule kMmlEmphasis[] = {
    {"//#", nullptr, kToLineEnd, 0x008080, 0, 2, 0},
    {"//", nullptr, kToLineEnd, 0x00A000, 0, 0, 1},
    {"/*", "*/", kAcrossLines, 0x00A000, 0, 0, 0},
    {"T", nullptr, kWord, 0x0080FF, kIgnoreCase, 0, 0},
    {"V", nullptr, kWord, 0x0080FF, kIgnoreCase, 0, 0},
    {"O", nullptr, kWord, 0x0080FF, kIgnoreCase, 0, 0},
    {"N", nullptr, kWord, 0x0000FF, kIgnoreCase, 0, 0},
    {"L", nullptr, kWord, 0x0080FF, kIgnoreCase, 0, 0},
    {"<", nullptr, kWord, 0xFF0000, kBold, 0, 0},
    {">", nullptr, kWord, 0xFF0000, kBold, 0, 0},
};

constexpr int32_t kMetricRulerHeight = 1, kMetricLineSpacing = 6, kMetricCreateHidden = 15;
constexpr int32_t kColourText = 6, kColourSeparator = 8, kColourRulerNumbers = 10,
                  kColourRulerBack = 11, kColourRulerTicks = 12;

}  // namespace

CPennaFrame::CPennaFrame(QWidget* parent) : QWidget(parent) {
  setObjectName("PennaFrame");
  setWindowTitle("PennaFrame");
  setFocusPolicy(Qt::StrongFocus);
  InstallPennaAccessibility();
}

CPennaFrame::~CPennaFrame() { DestroyAll(); }

void CPennaFrame::ApplyMmlLook(CPennaWnd& editor) {
  for (const EmphasisRule& r : kMmlEmphasis)
    editor.AddEmphasis(r.begin, r.end, r.type, r.colour, r.flags, r.level, r.innerLevel);
  editor.SetMetric(kMetricRulerHeight, 15, false);
  editor.SetMetric(kMetricLineSpacing, 1, false);
  editor.SetColour(kColourRulerNumbers, 0xE7E1DE, false);
  editor.SetColour(kColourRulerBack, 0x896E67, false);
  editor.SetColour(kColourRulerTicks, 0x613F2C, false);
  editor.SetColour(kColourSeparator, 0x896E67, false);
  editor.SetColour(kColourText, 0x5C4540, false);
}

bool CPennaFrame::Create(int32_t count) {
  if (!editors_.empty() || count < 1) return false;
  current_ = 0;
  // Editors are created visible; reaches instance 0 only when it exists already.
  PennaSetMetrics(0, kMetricCreateHidden, 0, 0);
  std::vector<std::unique_ptr<CPennaWnd>> made(static_cast<size_t>(count));
  QRect area(QPoint(0, 0), size());
  for (int32_t i = count - 1; i >= 0; --i) {
    auto editor = std::make_unique<CPennaWnd>();
    if (!editor->Create(this, area, i)) {
      made.clear();  // destroys those made so far
      current_ = -1;
      return false;
    }
    ApplyMmlLook(*editor);
    editor->Show(false);
    made[static_cast<size_t>(i)] = std::move(editor);
  }
  editors_ = std::move(made);
  Select(0);
  return true;
}

CPennaWnd* CPennaFrame::Editor(int32_t index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return editors_[static_cast<size_t>(index)].get();
}

void CPennaFrame::Select(int32_t index) {
  CPennaWnd* chosen = Editor(index);
  if (!chosen) return;
  chosen->Move(QRect(QPoint(0, 0), size()));
  chosen->Show(true);
  for (const auto& editor : editors_)
    if (editor.get() != chosen) editor->Show(false);
  chosen->SetFocus();
  current_ = index;
}

void CPennaFrame::SetFontForAll(const std::string& face, int32_t points) {
  for (const auto& editor : editors_) editor->SetFont(face, points, true);
}

void CPennaFrame::SetReadOnlyForAll(bool readOnly) {
  for (const auto& editor : editors_) editor->SetReadOnly(readOnly);
}

bool CPennaFrame::AnyModified() const {
  return std::any_of(editors_.begin(), editors_.end(),
                     [](const auto& editor) { return editor->IsModified(); });
}

void CPennaFrame::ClearModified() {
  for (const auto& editor : editors_) editor->ClearModified();
}

void CPennaFrame::DestroyAll() {
  editors_.clear();
  current_ = -1;
}

bool CPennaFrame::event(QEvent* event) {
  if (event->type() == PennaMessageEvent::Type()) {
    auto* message = static_cast<PennaMessageEvent*>(event);
    int32_t code = message->message();
    if (code == PENNA_MSG_CHANGE || code == PENNA_MSG_CONTEXTMENU || code == PENNA_MSG_CARETMOVE) {
      auto id = static_cast<int32_t>(message->wParam() >> 16);
      CPennaWnd* sender = nullptr;
      for (const auto& editor : editors_)
        if (editor->Id() == id) sender = editor.get();
      QObject* target = target_ ? target_ : parentWidget();
      if (sender && target) {
        PennaMessageEvent forwarded(code, message->wParam(), reinterpret_cast<intptr_t>(sender));
        QCoreApplication::sendEvent(target, &forwarded);
      }
    }
    return true;
  }
  return QWidget::event(event);
}

void CPennaFrame::resizeEvent(QResizeEvent* event) {
  if (CPennaWnd* editor = CurrentEditor()) editor->Move(QRect(QPoint(0, 0), event->size()));
  QWidget::resizeEvent(event);
}

void CPennaFrame::focusInEvent(QFocusEvent* event) {
  if (CPennaWnd* editor = CurrentEditor()) editor->SetFocus();
  QWidget::focusInEvent(event);
}

}  // namespace kore
