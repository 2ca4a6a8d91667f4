#include "results/action_journal.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <map>
#include <optional>
#include <thread>

#include "platform/file_times.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/window_text.h"
#include "results/json_reader.h"
#include "results/json_text.h"
#include "search/crc32.h"

namespace pelimor {

namespace {
constexpr std::string_view kKindNames[] = {"delete", "move", "trash", "link", "clone", "undo"};

std::string identityJson(const FileIdentity& identity) { return "{" + fileIdentityMembers(identity) + "}"; }

FileIdentity identityFrom(JsonReader& reader) {
  FileIdentity identity;
  reader.beginObject();
  for (std::string name; reader.nextMember(name);) {
    if (name == "device")
      identity.device = reader.unsignedNumber();
    else if (name == "inode")
      identity.inode = reader.unsignedNumber();
    else if (name == "size")
      identity.size = reader.unsignedNumber();
    else if (name == "modified_ns")
      identity.modifiedNanoseconds = reader.signedNumber();
    else if (name == "changed_ns")
      identity.changedNanoseconds = reader.signedNumber();
    else
      reader.skipValue();
  }
  return identity;
}

std::string folderJson(const platform::FolderId& folder) {
  return "{\"device\": " + std::to_string(folder.device) + ", \"inode\": " + std::to_string(folder.inode) + "}";
}

platform::FolderId folderFrom(JsonReader& reader) {
  const FileIdentity folder = identityFrom(reader);
  return platform::FolderId{folder.device, folder.inode};
}

// How long a writer waits for another's line before it gives up: far longer than a line takes,
// short enough that a journal held for ever by a stuck program stops the action, not the user.
constexpr auto kLockPatience = std::chrono::seconds(10);
constexpr auto kLockRetry = std::chrono::milliseconds(2);
// A journal replaced again each time it is opened is one being played with: give up then.
constexpr int kReopenings = 100;

std::error_code waitForLock(platform::JournalFile& file) {
  const auto giveUp = std::chrono::steady_clock::now() + kLockPatience;
  for (;;) {
    const std::error_code error = file.tryLock();
    if (error != std::errc::operation_would_block || std::chrono::steady_clock::now() > giveUp) return error;
    std::this_thread::sleep_for(kLockRetry);
  }
}

// The last `cap` bytes of the open journal from the first whole line in them: never more in
// memory, whatever size the file claims.
std::error_code readTail(const platform::JournalFile& file, std::uint64_t cap, std::string& text) {
  std::uint64_t size = 0;
  if (const std::error_code error = file.size(size)) return error;
  // One byte more than the tail when cut, to tell whether the tail starts a line.
  const std::uint64_t from = size > cap ? size - cap - 1 : 0;
  text.assign(static_cast<std::size_t>(size - from), '\0');
  const platform::ReadResult read = file.readAt(from, text.data(), text.size());
  if (read.error) return read.error;
  text.resize(read.bytes);
  if (from > 0) text.erase(0, std::min(text.find('\n'), text.size() - 1) + 1);
  return {};
}

// Calls `each` with every line of `text`, its line end left out.
template <typename Each>
void forEachLine(std::string_view text, Each each) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    each(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

// The number of the action a line belongs to: one file's line, or the line an action begins with.
std::optional<std::uint64_t> actionNumberOf(std::string_view line) {
  try {
    JsonReader reader(line);
    std::optional<std::uint64_t> number;
    reader.beginObject();
    for (std::string name; reader.nextMember(name);) {
      if (name == "action")
        number = reader.unsignedNumber();
      else
        reader.skipValue();
    }
    reader.finish();
    return number;
  } catch (const JsonError&) {
    return std::nullopt;
  }
}

std::uint64_t highestAction(std::string_view text) {
  std::uint64_t highest = 0;
  forEachLine(text, [&](std::string_view line) { highest = std::max(highest, actionNumberOf(line).value_or(0)); });
  return highest;
}

// The lines of the newest actions of a journal past its cap, each action whole, as long as they
// stay under half of it; the newest one always. Actions are told by number: the lines of two
// running at once interleave.
std::string newestActions(std::string_view text, std::uint64_t cap) {
  std::map<std::uint64_t, std::uint64_t> bytes;
  forEachLine(text, [&](std::string_view line) {
    if (const auto action = actionNumberOf(line)) bytes[*action] += line.size() + 1;
  });
  std::uint64_t kept = 0, oldestKept = std::numeric_limits<std::uint64_t>::max();
  for (auto action = bytes.rbegin(); action != bytes.rend(); ++action) {
    if (kept != 0 && kept + action->second > cap / 2) break;
    kept += action->second;
    oldestKept = action->first;
  }
  std::string newest;
  newest.reserve(static_cast<std::size_t>(kept));
  forEachLine(text, [&](std::string_view line) {
    if (actionNumberOf(line).value_or(0) >= oldestKept) newest.append(line).push_back('\n');
  });
  return newest;
}
}  // namespace

std::string_view journalKindName(JournalKind kind) { return kKindNames[static_cast<int>(kind)]; }

std::string defaultJournalPath() { return platform::actionLogFolder() + "Actions.log"; }

std::string journalLine(const JournalRecord& record) {
  std::string line = "{\"action\": " + std::to_string(record.action) + ", \"kind\": \"" +
                     std::string(journalKindName(record.kind)) + "\", \"time\": " + jsonString(record.time);
  if (record.kind == JournalKind::Undo) line += ", \"undoes\": " + std::to_string(record.undoes);
  line += ", \"old\": " + jsonString(record.oldPath);
  if (!record.newPath.empty()) line += ", \"new\": " + jsonString(record.newPath);
  if (!record.trashInfo.empty()) line += ", \"trash_info\": " + jsonString(record.trashInfo);
  line += ", \"size\": " + std::to_string(record.size) + ", \"crc32\": \"" + crc32Text(record.digest.crc32) +
          "\", \"strong\": \"" + strongHashText(record.digest.strongHigh, record.digest.strongLow) +
          "\", \"before\": " + identityJson(record.before);
  if (record.oldFolder != platform::FolderId{}) line += ", \"old_folder\": " + folderJson(record.oldFolder);
  if (record.newFolder != platform::FolderId{}) line += ", \"new_folder\": " + folderJson(record.newFolder);
  if (record.after.inode != 0 || record.after.device != 0)
    line += ", \"after\": " + identityJson(record.after) + ", \"after_at_ns\": " + std::to_string(record.afterLookedAt);
  switch (record.kind) {
    case JournalKind::Delete:
      line += ", \"note\": \"deleted for good: it can't come back\"";
      break;
    case JournalKind::Link:
    case JournalKind::Clone:
      line += ", \"note\": \"its bytes live on in the kept copy named in new\"";
      break;
    default:
      break;
  }
  return line + "}";
}

bool readJournalLine(std::string_view line, JournalRecord& record) {
  record = JournalRecord();
  try {
    JsonReader reader(line);
    unsigned found = 0;
    reader.beginObject();
    for (std::string name; reader.nextMember(name);) {
      if (name == "action") {
        record.action = reader.unsignedNumber();
        found |= 1;
      } else if (name == "kind") {
        const std::string kind = reader.string();
        const auto known = std::find(std::begin(kKindNames), std::end(kKindNames), kind);
        if (known == std::end(kKindNames)) return false;
        record.kind = static_cast<JournalKind>(known - std::begin(kKindNames));
        found |= 2;
      } else if (name == "old") {
        record.oldPath = reader.string();
        found |= 4;
      } else if (name == "time") {
        record.time = reader.string();
      } else if (name == "undoes") {
        record.undoes = reader.unsignedNumber();
      } else if (name == "new") {
        record.newPath = reader.string();
      } else if (name == "trash_info") {
        record.trashInfo = reader.string();
      } else if (name == "size") {
        record.size = reader.unsignedNumber();
      } else if (name == "crc32") {
        if (!readCrc32Text(reader.string(), record.digest.crc32)) return false;
      } else if (name == "strong") {
        if (!readStrongHashText(reader.string(), record.digest.strongHigh, record.digest.strongLow)) return false;
      } else if (name == "before") {
        record.before = identityFrom(reader);
      } else if (name == "old_folder") {
        record.oldFolder = folderFrom(reader);
      } else if (name == "new_folder") {
        record.newFolder = folderFrom(reader);
      } else if (name == "after") {
        record.after = identityFrom(reader);
      } else if (name == "after_at_ns") {
        record.afterLookedAt = reader.signedNumber();
      } else {
        reader.skipValue();
      }
    }
    reader.finish();
    return found == 7;
  } catch (const JsonError&) {
    return false;
  }
}

std::error_code readJournal(const std::string& path, std::vector<JournalRecord>& records, std::uint64_t cap) {
  records.clear();
  platform::JournalFile file;
  if (const std::error_code error = file.open(path, false))
    return error == std::errc::no_such_file_or_directory ? std::error_code() : error;
  std::string text;
  if (const std::error_code error = readTail(file, cap, text)) return error;
  JournalRecord record;
  forEachLine(text, [&](std::string_view line) {
    if (readJournalLine(line, record)) records.push_back(std::move(record));
  });
  return {};
}

std::vector<JournalRecord> readJournal(const std::string& path) {
  std::vector<JournalRecord> records;
  if (readJournal(path, records)) records.clear();
  return records;
}

NoticeText journalProblemText(const std::string& path, std::error_code error) {
  if (error == std::errc::too_many_symbolic_link_levels)
    return NoticeText::of(
        PELIMOR_WINDOW_TEXT("Notices", "The action journal %1 is a symbolic link, which is never followed."), path);
  if (error == std::errc::is_a_directory)
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "The action journal %1 is a folder, not a file."), path);
  if (error == std::errc::invalid_argument)
    return NoticeText::of(
        PELIMOR_WINDOW_TEXT("Notices", "The action journal %1 is not a plain file (a pipe, a device or a socket)."),
        path);
  if (error == std::errc::operation_would_block)
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "The action journal %1 is held by another program."), path);
  return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "The action journal %1 can't be used: %2"), path, error);
}

std::error_code ActionJournal::open() {
  if (path_.empty() || file_.isOpen()) return {};
  if (const std::error_code error = platform::createPrivateFolder(platform::folderPartOf(path_))) return error;
  if (const std::error_code error = file_.open(path_, true)) return error;
  // A journal another program holds for ever would leave the action without a record: said now.
  const std::error_code error = underLock([] { return std::error_code(); });
  if (error) file_.close();
  return error;
}

template <typename Step>
std::error_code ActionJournal::underLock(Step step) {
  for (int opened = 0; opened < kReopenings; ++opened) {
    if (const std::error_code error = waitForLock(file_)) return error;
    if (file_.stillAt(path_)) {
      const std::error_code error = step();
      file_.unlock();
      return error;
    }
    // Another writer put a trimmed journal in its place: the old one is written to no more.
    file_.unlock();
    if (const std::error_code error = file_.open(path_, true)) return error;
  }
  return std::make_error_code(std::errc::resource_unavailable_try_again);
}

std::error_code ActionJournal::trimPastCap() {
  // A trim that fails leaves the journal long, which costs room only: it is read from its tail.
  const std::string folder = platform::folderPartOf(path_), name(platform::fileNameOf(path_));
  std::string kept;
  const std::error_code error = underLock([&] {
    std::uint64_t size = 0;
    std::string text;
    if (file_.size(size) || size <= cap_ || readTail(file_, cap_, text)) return std::error_code();
    kept = newestActions(text, cap_);
    if (platform::kReplacesOpenFiles) platform::replaceWholeFile(folder, name, {kept});
    return std::error_code();
  });
  if (error || kept.empty() || platform::kReplacesOpenFiles) return error;
  // Replaced with no handle open, then opened again: a line another writer adds in between is lost
  // with the old journal, a risk only where open files can't be replaced.
  file_.close();
  platform::replaceWholeFile(folder, name, {kept});
  return file_.open(path_, true);
}

std::error_code ActionJournal::takeNumber() {
  std::string text;
  if (const std::error_code error = readTail(file_, cap_, text)) return error;
  const std::uint64_t highest = highestAction(text);
  if (highest == std::numeric_limits<std::uint64_t>::max()) return std::make_error_code(std::errc::value_too_large);
  action_ = highest + 1;
  // The action's first line, before any file's: the next action sees the number taken.
  return appendLine("{\"action\": " + std::to_string(action_) + ", \"kind\": \"" + std::string(journalKindName(kind_)) +
                    "\", \"time\": " + jsonString(clock_.now()) + ", \"begins\": true}");
}

std::error_code ActionJournal::appendLine(const std::string& line) {
  // A line cut short by a killed run must not swallow this one.
  std::uint64_t size = 0;
  char last = '\n';
  if (const std::error_code error = file_.size(size)) return error;
  if (size > 0)
    if (const platform::ReadResult read = file_.readAt(size - 1, &last, 1); read.error) return read.error;
  return file_.append(last == '\n' ? line + "\n" : "\n" + line + "\n");
}

std::error_code ActionJournal::begin(JournalKind kind) {
  const std::lock_guard<std::mutex> hold(recording_);
  kind_ = kind;
  action_ = 0;
  if (path_.empty()) return {};
  std::error_code error = open();
  if (!error) error = trimPastCap();
  if (!error) error = underLock([&] { return takeNumber(); });
  if (error) {
    action_ = 0;
    file_.close();
    return failure_ = error;
  }
  return {};
}

std::error_code ActionJournal::record(JournalRecord record) {
  const std::lock_guard<std::mutex> hold(recording_);
  if (!file_.isOpen()) return failure_;
  record.action = action_;
  record.kind = kind_;
  record.time = clock_.now();
  const std::string line = journalLine(record);
  const std::error_code error = underLock([&] { return appendLine(line); });
  if (error && !failure_) failure_ = error;
  return error;
}

std::vector<ActionSummary> summarizeActions(const std::vector<JournalRecord>& records) {
  std::map<std::uint64_t, ActionSummary> actions;
  for (const JournalRecord& record : records) {
    ActionSummary& summary = actions[record.action];
    if (summary.files == 0) {
      summary.action = record.action;
      summary.kind = record.kind;
      summary.time = record.time;
    }
    ++summary.files;
    summary.bytes += record.size;
    if (record.kind == JournalKind::Undo)
      if (const auto undone = actions.find(record.undoes); undone != actions.end()) ++undone->second.putBack;
  }
  std::vector<ActionSummary> list;
  list.reserve(actions.size());
  for (auto& entry : actions) list.push_back(std::move(entry.second));
  return list;
}

std::string actionSummaryLine(const ActionSummary& summary) {
  std::string line = std::to_string(summary.action) + "  " + summary.time + "  " +
                     std::string(journalKindName(summary.kind)) + "  " + std::to_string(summary.files) +
                     (summary.files == 1 ? " file, " : " files, ") + std::to_string(summary.bytes) + " bytes";
  if (summary.putBack != 0) line += "  (" + std::to_string(summary.putBack) + " put back)";
  return line;
}

}  // namespace pelimor
