#pragma once
// A DocumentUi whose answers the test sets beforehand and which records every question.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "app/document_commands.h"

namespace kore::test {

class ScriptedUi : public DocumentUi {
 public:
  SaveAnswer saveAnswer = SaveAnswer::Cancel;
  std::deque<std::optional<FileChoice>> files;  // answers of the file dialogs, in order
  bool replaceAnswer = false;
  std::optional<std::string> clipboard;
  std::optional<ClipImportChoice> clipChoice;

  std::vector<std::string> prompts, errors, replaceQuestions, dialogTitles;

  SaveAnswer AskSaveChanges(const std::string& text) override {
    return prompts.push_back(text), saveAnswer;
  }
  std::optional<FileChoice> ChooseOpenFile(const FileDialogSpec& s) override { return Next(s); }
  std::optional<FileChoice> ChooseSaveFile(const FileDialogSpec& s) override { return Next(s); }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  bool AskReplaceFile(const std::string& path) override {
    return replaceQuestions.push_back(path), replaceAnswer;
  }
  std::optional<std::string> ClipboardText() override { return clipboard; }
  std::optional<ClipImportChoice> ChooseClipImport(int32_t) override { return clipChoice; }
  bool ChooseSmfImport(SmfImportJob& job, const std::vector<SmfSourceLine>& lines) override {
    for (const SmfSourceLine& line : lines) job.selectedSources.push_back(line.listIndex);
    return true;
  }

 private:
  std::optional<FileChoice> Next(const FileDialogSpec& spec) {
    dialogTitles.push_back(spec.title);
    if (files.empty()) return std::nullopt;
    std::optional<FileChoice> answer = files.front();
    files.pop_front();
    return answer;
  }
};

}  // namespace kore::test
