#include "results/action_journal.h"

#include <algorithm>
#include <map>

#include "platform/file_reader.h"
#include "platform/file_times.h"
#include "platform/folders.h"
#include "platform/paths.h"
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

// The whole file, or nothing when it can't be read.
std::string wholeFile(const std::string& path) {
  platform::FileReader file;
  if (file.open(path)) return {};
  std::string text(file.status().size, '\0');
  std::size_t filled = 0;
  while (filled < text.size()) {
    const platform::ReadResult read = file.readOnce(filled, text.data() + filled, text.size() - filled);
    if (read.error || read.bytes == 0) break;
    filled += read.bytes;
  }
  text.resize(filled);
  return text;
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

// The newest actions of a journal past its cap, whole, as long as they stay under half of it; the
// newest one always.
std::string_view newestActions(std::string_view text, std::uint64_t cap) {
  std::vector<std::pair<std::uint64_t, std::size_t>> starts;  // each action's first line: number, offset
  std::size_t offset = 0;
  JournalRecord record;
  forEachLine(text, [&](std::string_view line) {
    if (readJournalLine(line, record) && (starts.empty() || starts.back().first != record.action))
      starts.emplace_back(record.action, offset);
    offset += line.size() + 1;
  });
  std::size_t keepFrom = text.size();
  for (auto start = starts.rbegin(); start != starts.rend(); ++start) {
    if (keepFrom != text.size() && text.size() - start->second > cap / 2) break;
    keepFrom = start->second;
  }
  return text.substr(keepFrom);
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
  if (record.oldFolder.inode != 0 || record.oldFolder.device != 0)
    line += ", \"old_folder\": {\"device\": " + std::to_string(record.oldFolder.device) +
            ", \"inode\": " + std::to_string(record.oldFolder.inode) + "}";
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
        const FileIdentity folder = identityFrom(reader);
        record.oldFolder = platform::FolderId{folder.device, folder.inode};
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

std::vector<JournalRecord> readJournal(const std::string& path) {
  std::vector<JournalRecord> records;
  const std::string text = wholeFile(path);
  JournalRecord record;
  forEachLine(text, [&](std::string_view line) {
    if (readJournalLine(line, record)) records.push_back(std::move(record));
  });
  return records;
}

std::error_code ActionJournal::begin(JournalKind kind) {
  kind_ = kind;
  action_ = 0;
  // Closed first: a journal held open can't be replaced (Windows), and a failure below must leave
  // nothing to write to.
  if (file_.isOpen()) file_.close();
  if (path_.empty()) return {};
  const std::string folder = platform::folderPartOf(path_);
  if (std::error_code error = platform::createPrivateFolder(folder)) return failure_ = error;
  std::string text = wholeFile(path_);
  if (text.size() > cap_) {
    const std::string_view kept = newestActions(text, cap_);
    const std::string name(platform::fileNameOf(path_));
    if (std::error_code error = platform::replaceWholeFile(folder, name, {kept})) return failure_ = error;
    text = std::string(kept);
  }
  // The number after the last one written: a line cut short by a killed run doesn't count.
  JournalRecord last;
  for (std::size_t end = text.size(); end > 0 && action_ == 0;) {
    const std::size_t start = text.rfind('\n', end - 1);
    const std::size_t from = start == std::string::npos ? 0 : start + 1;
    if (readJournalLine(std::string_view(text).substr(from, end - from), last)) action_ = last.action;
    end = start == std::string::npos ? 0 : start;
  }
  ++action_;
  // A line cut short by a killed run must not swallow the next one.
  if (std::error_code error = file_.openForAppending(path_)) return failure_ = error;
  if (!text.empty() && text.back() != '\n') file_.write("\n");
  return {};
}

std::error_code ActionJournal::record(JournalRecord record) {
  if (!file_.isOpen()) return failure_;
  record.action = action_;
  record.kind = kind_;
  const std::lock_guard<std::mutex> hold(recording_);
  record.time = clock_.now();
  const std::error_code error = file_.write(journalLine(record) + "\n");
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
