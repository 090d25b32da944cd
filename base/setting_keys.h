#pragma once
// Every key of "KORE.ini", written once: its section, its key, the AppSettings value it holds,
// when it is read, its check and its write format. Loading, saving and the configuration dialogs
// all work from this table, so a key cannot be spelled two ways. A key's default is the
// AppSettings member's initial value; the window placement keys default to the placement held
// when reading. Keys and sections are ASCII; string values are Shift-JIS.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kore {

// The sections the output device is opened from.
inline constexpr const char* kMidiSettingsSection = "Midi Settings";
inline constexpr const char* kDlsSettingsSection = "DLS Settings";

struct AppSettings;
struct WindowPlacementSettings;

enum class SettingFormat : uint8_t {
  Signed,    // "%+d"
  Unsigned,  // "%u": -1 is written 4294967295
  Bool,      // "true" / "false"
  String,
};

// When a key is read: at program start, when the main window is built, or never (written for
// the record only).
enum class SettingLoad : uint8_t { AtStart, WithWindow, Never };

// A value outside min..max, or (when `allowedCount` > 0) not one of `allowed`, becomes
// `fallback`.
struct SettingCheck {
  int32_t min = INT32_MIN;
  int32_t max = INT32_MAX;
  int32_t fallback = 0;
  std::array<int32_t, 5> allowed{};
  uint8_t allowedCount = 0;

  bool Accepts(int32_t value) const;
  // `value` when accepted, else the fallback.
  int32_t Corrected(int32_t value) const { return Accepts(value) ? value : fallback; }
  // The values a chooser offers, in order: the allowed ones, or every value of min..max; empty
  // when the range is too wide to list.
  std::vector<int32_t> Choices() const;
};

struct SettingKey {
  using Field = std::variant<int32_t AppSettings::*, bool AppSettings::*,
                             std::string AppSettings::*, int32_t WindowPlacementSettings::*>;
  const char* section;
  const char* key;
  SettingFormat format;
  SettingLoad load;
  Field field;
  const SettingCheck* check = nullptr;  // null: every value is kept
};

// In the order they are written; sections appear in the file in this order.
std::span<const SettingKey> SettingKeys();

// The key holding `field`, or null.
const SettingKey* FindSettingKey(const SettingKey::Field& field);
// The check of `field`'s key; every value passes for a key without one.
const SettingCheck& CheckOf(const SettingKey::Field& field);

// True when any key of `section` holds different values in `a` and `b` (strings compared as
// text).
bool SectionDiffers(const AppSettings& a, const AppSettings& b, std::string_view section);

}  // namespace kore
