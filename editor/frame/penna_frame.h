#pragma once
// The MML editing frame: a child widget that owns one editor per track slot, shows one at a
// time, gives every editor the MML look (emphasis rules, metrics, colours) and passes the
// editors' text-change, context-menu and caret-move messages on to its target as
// PennaMessageEvent with lParam = the sending CPennaWnd.
//
// User-interface thread only. Face names are Shift-JIS.
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "editor/frame/penna_wnd.h"

namespace kore {

class CPennaFrame : public QWidget {
  Q_OBJECT

 public:
  explicit CPennaFrame(QWidget* parent = nullptr);
  ~CPennaFrame() override;

  // Creates `count` editors, the last index first; false (and no editors) when one fails.
  bool Create(int32_t count);
  // Shows the editor at `index`, hides the others and gives it the focus; out of range: nothing.
  void Select(int32_t index);
  int32_t Current() const { return current_; }
  CPennaWnd* CurrentEditor() const { return Editor(current_); }
  CPennaWnd* Editor(int32_t index) const;
  int32_t Count() const { return static_cast<int32_t>(editors_.size()); }

  void SetFontForAll(const std::string& face, int32_t points);
  void SetReadOnlyForAll(bool readOnly);
  bool AnyModified() const;
  void ClearModified();
  void DestroyAll();

  // Where the editors' messages go; the parent widget when not set.
  void SetMessageTarget(QObject* target) { target_ = target; }

  // The MML look given to every editor at creation.
  static void ApplyMmlLook(CPennaWnd& editor);

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;

 private:
  std::vector<std::unique_ptr<CPennaWnd>> editors_;
  int32_t current_ = -1;
  QObject* target_ = nullptr;
};

}  // namespace kore
