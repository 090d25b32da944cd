#pragma once
// INI files in the Windows private-profile manner: sections and keys are found without regard
// to case, values are trimmed of surrounding blanks and of one pair of matching quotes, a key
// written again keeps its place, new keys go to the end of their section and new sections to
// the end of the file. Text is kept as bytes (Shift-JIS); written lines end with CR LF.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kore {

// The parsed content of one INI file.
class IniDocument {
 public:
  static IniDocument Parse(std::string_view bytes);
  std::string Serialize() const;

  // Section names in file order, as written in the file.
  std::vector<std::string> SectionNames() const;
  // The value of a key, or nothing when the section or key is missing.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  void Set(std::string_view section, std::string_view key, std::string_view value);
  void RemoveSection(std::string_view section);
  bool empty() const { return sections_.empty(); }

 private:
  struct Line {
    std::string key;  // empty for comments and lines without "="
    std::string text;  // the value, or the whole line when `key` is empty
  };
  struct Section {
    std::string name;
    std::vector<Line> lines;
  };
  Section* FindSection(std::string_view name);
  const Section* FindSection(std::string_view name) const;

  std::vector<Section> sections_;
};

// True when `a` and `b` are equal with ASCII letters folded, never folding the second byte of
// a Shift-JIS character.
bool EqualsIgnoreCaseSjis(std::string_view a, std::string_view b);

// The settings-file wrapper: a file path and a current section, with the program's value
// formats. Reads see the file as it was opened plus this wrapper's own writes; writes are kept
// in memory until Flush, which replaces the file safely (temporary file, then rename).
class CProfileFile {
 public:
  static constexpr size_t kMaxStringBytes = 4095;

  // Opens the file at `path` (UTF-8 file name); a missing or unreadable file reads as empty.
  explicit CProfileFile(std::string path);
  // A wrapper over INI text held in memory (nothing is ever written anywhere).
  static CProfileFile FromText(std::string_view bytes);
  ~CProfileFile();
  // A moved-from wrapper has nothing left to write.
  CProfileFile(CProfileFile&& other) noexcept;
  CProfileFile& operator=(CProfileFile&& other) noexcept;

  const std::string& Path() const { return path_; }
  // True when the file existed when it was opened.
  bool Existed() const { return existed_; }

  void SetSection(std::string_view section);
  const std::string& Section() const { return section_; }
  std::vector<std::string> SectionNames() const { return document_.SectionNames(); }

  // "true" / "false" exactly; anything else, or a missing key, gives the default.
  bool ReadBool(std::string_view key, bool defaultValue) const;
  // The leading decimal number with optional sign; a missing or empty value gives the default.
  int32_t ReadInt(std::string_view key, int32_t defaultValue) const;
  // As ReadInt; numbers are taken modulo 2^32, so 4294967295 reads back as -1.
  int32_t ReadUnsigned(std::string_view key, int32_t defaultValue) const;
  // At most `maxBytes` bytes of the value, cut so that no two-byte character is split.
  std::string ReadString(std::string_view key, std::string_view defaultValue,
                         size_t maxBytes = kMaxStringBytes) const;
  bool HasKey(std::string_view key) const;

  void WriteBool(std::string_view key, bool value);
  void WriteInt(std::string_view key, int32_t value);       // "%+d"
  void WriteUnsigned(std::string_view key, int32_t value);  // "%u"
  void WriteString(std::string_view key, std::string_view value);
  void ClearSection();

  // Writes pending changes: 0 on success (or nothing to write), -1 when the file could not be
  // written, in which case the old file is left as it was.
  int Flush();

 private:
  CProfileFile() = default;
  std::string path_;
  std::string section_ = "ApplicationData";
  IniDocument document_;
  bool existed_ = false;
  bool dirty_ = false;
  bool inMemory_ = false;
};

// Parses the leading decimal number of `text` (blanks, optional sign, digits) modulo 2^32;
// 0 when there is none.
int32_t ParseLeadingInt(std::string_view text);

// Writes `bytes` to `path` through a temporary file in the same folder that is flushed and
// then renamed over the target, so a failure never leaves a partial file. 0 or -1.
int WriteFileAtomically(const std::string& path, std::string_view bytes);

// Reads a whole file; nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

}  // namespace kore
