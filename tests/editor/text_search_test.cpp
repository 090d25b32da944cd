#include "editor/text_search.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "base/shift_jis.h"
#include "tests/support/golden.h"

namespace kore {
namespace {

// Cases of data/search.txt: "down START CASE KEY TEXT" and "up ..." find KEY in TEXT from byte
// START (CASE 1 keeps the case), "replace FROM TO CAPACITY CASE KEY REPLACEMENT TEXT" replaces
// every KEY inside [FROM, TO). Texts are UTF-8, converted to Shift-JIS, with "\xHH" escapes; "-"
// is an empty key or replacement.
std::string SearchCase(const std::string& line) {
  auto sjis = [](const std::string& text) {
    return text == "-" ? std::string() : test::Unescape(Utf8ToSjisLossy(text));
  };
  std::istringstream in(line);
  std::string command, key, replacement, text;
  size_t start = 0, to = 0, capacity = 0;
  int caseKept = 1;
  in >> command >> start;
  if (command == "replace") in >> to >> capacity;
  in >> caseKept >> key;
  if (command == "replace") in >> replacement;
  in.get();
  std::getline(in, text);
  const TextSearchOptions options{caseKept != 0};
  if (command == "replace") {
    const auto r = ReplaceAll(sjis(text), sjis(key), sjis(replacement), start, to, options, capacity);
    return test::Escape(r.text) + " count " + std::to_string(r.count) + " end " +
           std::to_string(r.rangeEnd) + (r.stoppedAtLimit ? " stopped\n" : "\n");
  }
  const auto found = command == "up" ? FindUp(sjis(text), sjis(key), start, options)
                                     : FindDown(sjis(text), sjis(key), start, options);
  return found ? std::to_string(*found) + "\n" : "none\n";
}

TEST(TextSearch, Cases) {
  test::CheckGolden(KORE_SOURCE_DIR "/tests/editor/data/search.txt", SearchCase);
}

}  // namespace
}  // namespace kore
