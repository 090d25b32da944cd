// Sequences of document operations, each followed by what a user or a view can observe: the
// result, what the views were told, the tabs and focus, the markers, every track's start and
// first note, the history and the modified state. The expected states are in
// data/document_scripts.txt.
#include "song_test_util.h"

namespace kore {
namespace {

using namespace test;

// Song texts as readable UTF-8, line ends shown as "\r" and "\n" to stay on one line.
std::string Utf8(std::string_view sjis) {
  std::string out;
  for (char c : SjisToUtf8Lossy(sjis))
    out += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
  return out;
}

// Tick and length of a slot's first note, "-" when it has none.
std::string FirstNote(const CMMLTrack& t) {
  for (const MidiEvent& e : t.events) {
    if (e.kind == MidiEventKind::Note)
      return std::to_string(e.tick) + "+" + std::to_string(e.length);
  }
  return "-";
}

std::string Described(const CMMLDocument& doc) {
  std::ostringstream out;
  out << "  tabs";
  for (int32_t slot : Order(doc)) out << " " << slot;
  out << " current " << doc.CurrentTrack() << " | markers";
  for (const MidiEvent& m : doc.Markers())
    out << " " << m.tick << ":" << Utf8(std::string_view(m.text)) << ":" << m.value;
  out << " | edit " << doc.EditNumber() << " saved " << doc.SavedEditNumber() << " redo "
      << doc.RedoStack().size() << (doc.IsModified() ? " modified" : "")
      << (doc.IsDirty() ? " dirty" : "");
  if (doc.CanUndo()) {
    const UndoRecord& u = doc.UndoStack().back();
    out << " | last " << static_cast<int>(u.kind) << " #" << u.sequence << " slot " << u.slot
        << " tab " << u.tabPosition << " at " << u.position << "->" << u.newPosition << " "
        << Utf8(std::string_view(u.marker.text));
  }
  out << "\n ";
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
    const CMMLTrack& t = doc.Track(slot);
    if (!t.inUse && t.startMarker == 0 && doc.TrackText(slot).empty()) continue;
    out << " " << slot << (t.inUse ? "" : "(off)") << "[" << Utf8(t.name) << " v" << t.volume
        << " p" << t.panpot << " c" << t.channel << " i" << t.instrument << " r" << t.reserved
        << " m" << t.startMarker << " @" << FirstNote(t) << " " << t.events.size() << "/"
        << SongRecordsOf(doc, slot).size() << (t.muted ? " muted" : "") << " \""
        << Utf8(doc.TrackText(slot)) << "\"]";
  }
  out << "\n";
  return out.str();
}

// "load PATH WORD..." takes over a song made of these words: "tb=TICKS,BEATS,UNIT",
// "order=SLOT,..." (read from the file), "marker=TICK,NAME" and, for a track in SLOT,
// "SLOT=TEXT" (fresh properties) and "SLOT.start=", ".channel=", ".volume=", ".instrument=".
std::string Load(CMMLDocument& doc, const std::vector<std::string>& op) {
  SongContent song;
  std::vector<std::string> texts(kTrackSlotCount);
  for (size_t i = 2; i < op.size(); ++i) {
    const std::string key = op[i].substr(0, op[i].find('=')), value = op[i].substr(key.size() + 1);
    std::vector<int32_t> numbers;
    std::istringstream list(value);
    for (std::string n; std::getline(list, n, ',');) numbers.push_back(std::atoi(n.c_str()));
    if (key == "tb") {
      song.timeBase = {numbers.at(0), numbers.at(1), numbers.at(2)};
    } else if (key == "order") {
      std::copy(numbers.begin(), numbers.end(), song.trackOrder.begin());
      song.trackOrderRead = true;
    } else if (key == "marker") {
      song.markers.push_back(Marker(numbers.at(0), 0, value.substr(value.find(',') + 1)));
    } else {
      const int32_t slot = std::stoi(key);
      TrackProperties& t = song.slots.at(slot);
      const std::string field = key.substr(key.find('.') + 1);
      if (key.find('.') == std::string::npos) {
        t = TrackProperties::Fresh(slot);
        texts[slot] = value;
        song.texts[slot] = texts[slot];
      } else {
        (field == "start"     ? t.startMarker
         : field == "channel" ? t.channel
         : field == "volume"  ? t.volume
                              : t.instrument) = numbers.at(0);
      }
    }
  }
  doc.LoadSong(song, op.at(1) == "-" ? "" : op[1]);
  return "";
}

// One operation: its name and arguments as written in the table.
std::string Apply(CMMLDocument& doc, const std::vector<std::string>& op) {
  auto n = [&](size_t i) { return std::stoi(op.at(i)); };
  auto s = [&](size_t i) { return op.size() > i && op[i] != "-" ? Unescape(op[i]) : ""; };
  const std::string& name = op.at(0);
  auto withProperties = [&](auto change) {
    TrackProperties p = doc.Track(n(1));
    change(p);
    return std::to_string(doc.SetTrackProperties(n(1), p));
  };
  if (name == "new") return doc.NewSong(n(1), n(2)), "";
  if (name == "load") return Load(doc, op);
  if (name == "text") return std::to_string(doc.SetTrackText(n(1), s(2)));
  if (name == "add") return std::to_string(doc.AddTrack());
  if (name == "delete") return std::to_string(doc.DeleteTrack(n(1)));
  if (name == "current") return doc.SetCurrentTrack(n(1)), "";
  if (name == "start") return withProperties([&](TrackProperties& p) { p.startMarker = n(2); });
  if (name == "props") {
    return withProperties([&](TrackProperties& p) {
      p.volume = n(2), p.panpot = n(3), p.channel = n(4), p.instrument = n(5);
      p.startMarker = n(6);
      if (op.size() > 7) p.name = s(7);
    });
  }
  if (name == "mute") return doc.SetMuted(n(1), n(2) != 0), "";
  if (name == "marker") return std::to_string(doc.AddMarker(n(1), s(2), n(3)));
  if (name == "unmark") return std::to_string(doc.DeleteMarker(n(1)));
  if (name == "remark") return std::to_string(doc.UpdateMarker(n(1), n(2), s(3), n(4)));
  if (name == "timebase") return std::to_string(doc.SetTimeBase(n(1), n(2), n(3)));
  if (name == "edit") return doc.RecordTextEdit(n(1)), "";
  if (name == "undo") return doc.Undo() ? "true" : "false";
  if (name == "redo") return doc.Redo() ? "true" : "false";
  if (name == "save") return doc.MarkSaved(), "";
  if (name == "forget") return doc.ClearUndoHistory(), "";
  if (name == "touch") return doc.SetModified(), "";
  if (name == "path") return doc.SetPath(s(1)), "";
  if (name == "texts") return doc.SetSongTexts(s(1), s(2), s(3)), "";
  if (name == "caption?") return Utf8(doc.CaptionText("KOR"));
  if (name == "marker?") {
    MidiEvent m;
    if (!doc.GetMarker(n(1), m)) return "none";
    return std::string(MidiEventKindName(m.kind)) + " " + std::to_string(m.tick) + ":" +
           Utf8(std::string_view(m.text)) + ":" + std::to_string(m.value);
  }
  if (name == "song?") return doc.Title() + "|" + doc.Source() + "|" + doc.Memo();
  if (name == "timebase?") {
    const TimeBase& tb = doc.GetTimeBase();
    return std::to_string(tb.ticksPerQuarter) + " " + std::to_string(tb.beatsPerMeasure) + "/" +
           std::to_string(tb.beatUnit);
  }
  ADD_FAILURE() << "unknown operation " << name;
  return "";
}

std::string RunScript(const std::string& script) {
  CollectingNotifier notifier;
  CMMLDocument doc(&notifier);
  RecordingObserver observer;
  doc.AddObserver(&observer);
  std::string out, last;
  std::istringstream steps(script);
  for (std::string step; std::getline(steps, step, ';');) {
    std::istringstream words(step);
    std::vector<std::string> op;
    for (std::string w; words >> w;) op.push_back(w);
    if (op.empty()) continue;
    std::string result = Apply(doc, op);
    out +=
        "= " + step.substr(step.find_first_not_of(' ')) + (result.empty() ? "" : " -> " + result);
    for (const std::string& entry : observer.log) out += " [" + entry + "]";
    for (const auto& m : notifier.messages) out += " {" + Utf8(std::string_view(m.text)) + "}";
    observer.log.clear();
    notifier.messages.clear();
    // The state when it changed: a step without one changed nothing that shows.
    std::string state = Described(doc);
    out += "\n" + (state == last ? "" : state);
    last = state;
  }
  doc.RemoveObserver(&observer);
  return out;
}

TEST(DocumentScript, StatesAfterEachOperation) {
  CheckGolden(std::string(KORE_SOURCE_DIR) + "/tests/song/data/document_scripts.txt", RunScript);
}

}  // namespace
}  // namespace kore
