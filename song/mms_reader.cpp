#include <sys/stat.h>

#include "base/profile_file.h"
#include "song/foreign_formats.h"
#include "song/instruments.h"

namespace kore {
namespace {

// Section names are read the way a 1,024-byte name buffer receives them: names that do not
// fit are not seen.
constexpr size_t kSectionNameBufferBytes = 1024;

// Game instrument id -> instrument index (each id selects the game instrument carrying it).
int32_t GameIdToIndex(int32_t id) {
  static constexpr int32_t kIndexOfId[7] = {0, 1, 2, 4, 6, 3, 5};
  return (id >= 0 && id < 7) ? kIndexOfId[id] : 0;
}

}  // namespace

int ReadMmsText(std::string_view bytes, LoadedSong& song) {
  CProfileFile ini = CProfileFile::FromText(bytes);
  std::vector<std::string> names;
  size_t used = 0;
  for (std::string& name : ini.SectionNames()) {
    if (used + name.size() + 1 >= kSectionNameBufferBytes) break;
    used += name.size() + 1;
    names.push_back(std::move(name));
  }
  if (names.empty() || !EqualsIgnoreCaseSjis(names.front(), "mms-file")) return -1;

  song.Reset();
  song.NameSlotsByNumber();
  ini.SetSection("infomation");
  song.title = ini.ReadString("title", "");
  song.source = ini.ReadString("auther", "");
  TimeBase tb{32, ini.ReadInt("rythmNum", 4), ini.ReadInt("rythmBase", 4)};
  song.timeBase = WithUsableSignature(tb);

  for (const std::string& name : names) {
    if (name.size() != 5 || !EqualsIgnoreCaseSjis(name.substr(0, 4), "part")) continue;
    int32_t d = static_cast<uint8_t>(name[4]) - '0';
    int32_t first = 3 * d;
    if (first > 8) first += 1;
    if (first < 0 || first + 2 >= kTrackSlotCount) continue;
    ini.SetSection(name);
    std::string partName = ini.ReadString("name", "Part" + std::to_string(d + 1));
    int32_t instrument = GameIdToIndex(ini.ReadInt("instrument", 0));
    for (int32_t k = 0; k < 3; ++k) {
      int32_t slot = first + k;
      std::string key = "ch" + std::to_string(k) + "_mml";
      StoreTrackText(song.texts[slot], ini.ReadString(key, "", kMaxTrackTextBytes));
      song.slots[slot].inUse = 1;
      song.slots[slot].instrument = instrument;
      song.slots[slot].name = partName;
    }
  }
  return 0;
}

int ReadMmsFile(const std::string& path, LoadedSong& song) {
  // An INI file of a song is small; a huge file is not one.
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > (256 << 20)) {
    return -1;
  }
  auto bytes = ReadWholeFile(path);
  if (!bytes) return -1;
  return ReadMmsText(*bytes, song);
}

}  // namespace kore
