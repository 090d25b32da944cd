#include "base/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "base/shift_jis.h"

namespace kore {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view StripQuotes(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    return v.substr(1, v.size() - 2);
  }
  return v;
}

// Length of the longest prefix of `s` of at most `max` bytes that ends on a character boundary.
size_t SjisPrefixLength(std::string_view s, size_t max) {
  if (s.size() <= max) return s.size();
  size_t i = 0;
  while (i < max) {
    size_t width = IsSjisLeadByte(s[i]) ? 2 : 1;
    if (i + width > max) break;
    i += width;
  }
  return i;
}

}  // namespace

bool EqualsIgnoreCaseSjis(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (IsSjisLeadByte(a[i])) {
      // Both bytes of a double-byte character must match exactly.
      if (a[i] != b[i]) return false;
      if (i + 1 < a.size()) {
        ++i;
        if (a[i] != b[i]) return false;
      }
      continue;
    }
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

IniDocument IniDocument::Parse(std::string_view bytes) {
  IniDocument doc;
  Section* current = nullptr;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find('\n', pos);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = Trim(bytes.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty()) continue;
    if (line.front() == '[') {
      size_t close = line.rfind(']');
      if (close != std::string_view::npos) {
        doc.sections_.push_back({std::string(Trim(line.substr(1, close - 1))), {}});
        current = &doc.sections_.back();
        continue;
      }
    }
    if (current == nullptr) continue;  // lines before the first section belong to none
    size_t eq = line.front() == ';' ? std::string_view::npos : line.find('=');
    if (eq == std::string_view::npos) {
      current->lines.push_back({std::string(), std::string(line)});
    } else {
      std::string_view key = Trim(line.substr(0, eq));
      std::string_view value = Trim(line.substr(eq + 1));
      if (key.empty()) {
        current->lines.push_back({std::string(), std::string(line)});
      } else {
        current->lines.push_back({std::string(key), std::string(value)});
      }
    }
  }
  return doc;
}

std::string IniDocument::Serialize() const {
  std::string out;
  for (size_t i = 0; i < sections_.size(); ++i) {
    if (i > 0) out += "\r\n";
    out += '[';
    out += sections_[i].name;
    out += "]\r\n";
    for (const Line& line : sections_[i].lines) {
      if (!line.key.empty()) {
        out += line.key;
        out += '=';
      }
      out += line.text;
      out += "\r\n";
    }
  }
  return out;
}

std::vector<std::string> IniDocument::SectionNames() const {
  std::vector<std::string> names;
  names.reserve(sections_.size());
  for (const Section& s : sections_) names.push_back(s.name);
  return names;
}

IniDocument::Section* IniDocument::FindSection(std::string_view name) {
  for (Section& s : sections_) {
    if (EqualsIgnoreCaseSjis(s.name, name)) return &s;
  }
  return nullptr;
}

const IniDocument::Section* IniDocument::FindSection(std::string_view name) const {
  return const_cast<IniDocument*>(this)->FindSection(name);
}

std::optional<std::string> IniDocument::Get(std::string_view section,
                                            std::string_view key) const {
  const Section* s = FindSection(section);
  if (s == nullptr) return std::nullopt;
  for (const Line& line : s->lines) {
    if (!line.key.empty() && EqualsIgnoreCaseSjis(line.key, key)) return line.text;
  }
  return std::nullopt;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  Section* s = FindSection(section);
  if (s == nullptr) {
    sections_.push_back({std::string(section), {}});
    s = &sections_.back();
  }
  for (Line& line : s->lines) {
    if (!line.key.empty() && EqualsIgnoreCaseSjis(line.key, key)) {
      line.text = value;
      return;
    }
  }
  s->lines.push_back({std::string(key), std::string(value)});
}

void IniDocument::RemoveSection(std::string_view section) {
  for (auto it = sections_.begin(); it != sections_.end(); ++it) {
    if (EqualsIgnoreCaseSjis(it->name, section)) {
      sections_.erase(it);
      return;
    }
  }
}

int32_t ParseLeadingInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  uint32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10u + static_cast<uint32_t>(text[i] - '0');  // wraps modulo 2^32
  }
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return std::nullopt;
  return bytes;
}

int WriteFileAtomically(const std::string& path, std::string_view bytes) {
  size_t slash = path.rfind('/');
  std::string tempPath = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) +
                         ".kore-save-XXXXXX";
  int fd = mkstemp(tempPath.data());
  if (fd < 0) return -1;
  struct stat old {};
  mode_t mode = (stat(path.c_str(), &old) == 0) ? (old.st_mode & 07777) : 0644;
  (void)fchmod(fd, mode);  // keeping the mode is a courtesy, not a need
  bool ok = true;
  size_t done = 0;
  while (ok && done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    done += static_cast<size_t>(n);
  }
  if (ok && fsync(fd) != 0) ok = false;
  if (close(fd) != 0) ok = false;
  if (ok && std::rename(tempPath.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) {
    unlink(tempPath.c_str());
    return -1;
  }
  return 0;
}

CProfileFile::CProfileFile(std::string path) : path_(std::move(path)) {
  if (auto bytes = ReadWholeFile(path_)) {
    existed_ = true;
    document_ = IniDocument::Parse(*bytes);
  }
}

CProfileFile CProfileFile::FromText(std::string_view bytes) {
  CProfileFile file;
  file.inMemory_ = true;
  file.existed_ = true;
  file.document_ = IniDocument::Parse(bytes);
  return file;
}

CProfileFile::CProfileFile(CProfileFile&& other) noexcept
    : path_(std::move(other.path_)),
      section_(std::move(other.section_)),
      document_(std::move(other.document_)),
      existed_(other.existed_),
      dirty_(std::exchange(other.dirty_, false)),
      inMemory_(other.inMemory_) {}

CProfileFile& CProfileFile::operator=(CProfileFile&& other) noexcept {
  if (this != &other) {
    if (dirty_) Flush();
    path_ = std::move(other.path_);
    section_ = std::move(other.section_);
    document_ = std::move(other.document_);
    existed_ = other.existed_;
    dirty_ = std::exchange(other.dirty_, false);
    inMemory_ = other.inMemory_;
  }
  return *this;
}

CProfileFile::~CProfileFile() {
  // A settings file that cannot be written is not reported; the defaults apply next time.
  if (dirty_) Flush();
}

void CProfileFile::SetSection(std::string_view section) {
  section_ = std::string(section);
}

bool CProfileFile::HasKey(std::string_view key) const {
  return document_.Get(section_, key).has_value();
}

bool CProfileFile::ReadBool(std::string_view key, bool defaultValue) const {
  auto value = document_.Get(section_, key);
  if (!value) return defaultValue;
  std::string_view v = StripQuotes(*value);
  if (v == "true") return true;
  if (v == "false") return false;
  return defaultValue;
}

int32_t CProfileFile::ReadInt(std::string_view key, int32_t defaultValue) const {
  auto value = document_.Get(section_, key);
  if (!value) return defaultValue;
  std::string_view v = StripQuotes(*value);
  if (v.empty()) return defaultValue;
  return ParseLeadingInt(v);
}

int32_t CProfileFile::ReadUnsigned(std::string_view key, int32_t defaultValue) const {
  return ReadInt(key, defaultValue);
}

std::string CProfileFile::ReadString(std::string_view key, std::string_view defaultValue,
                                     size_t maxBytes) const {
  auto value = document_.Get(section_, key);
  std::string_view v = value ? StripQuotes(*value) : defaultValue;
  return std::string(v.substr(0, SjisPrefixLength(v, maxBytes)));
}

void CProfileFile::WriteBool(std::string_view key, bool value) {
  WriteString(key, value ? "true" : "false");
}

void CProfileFile::WriteInt(std::string_view key, int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%+" PRId32, value);
  WriteString(key, text);
}

void CProfileFile::WriteUnsigned(std::string_view key, int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%" PRIu32, static_cast<uint32_t>(value));
  WriteString(key, text);
}

void CProfileFile::WriteString(std::string_view key, std::string_view value) {
  // A line break would end the line and turn the rest of the value into lines of its own.
  size_t cut = value.find_first_of("\r\n");
  if (cut != std::string_view::npos) value = value.substr(0, cut);
  document_.Set(section_, key, value);
  dirty_ = true;
}

void CProfileFile::ClearSection() {
  document_.RemoveSection(section_);
  dirty_ = true;
}

int CProfileFile::Flush() {
  if (!dirty_ || inMemory_) {
    dirty_ = false;
    return 0;
  }
  if (WriteFileAtomically(path_, document_.Serialize()) != 0) return -1;
  dirty_ = false;
  existed_ = true;
  return 0;
}

}  // namespace kore
