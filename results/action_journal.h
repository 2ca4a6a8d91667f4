#pragma once
// The record of what our actions did, file by file: where each moved or trashed file went, so that
// it can be put back, and what Delete and Link took for good. One JSON object a line, each written
// as its file is done, so that a run killed halfway leaves a true record.
#include <cstdint>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include "platform/file_operations.h"
#include "platform/file_times.h"
#include "platform/journal_file.h"
#include "platform/notice_text.h"
#include "search/content_digest.h"
#include "search/file_identity.h"

namespace pelimor {

enum class JournalKind : std::uint8_t { Delete, Move, Trash, Link, Clone, Undo };

// "delete", "move", "trash", "link", "clone", "undo": as the journal and pelimor-find name them.
std::string_view journalKindName(JournalKind kind);

// One file done by one action.
struct JournalRecord {
  std::uint64_t action = 0;  // the action's number, counted up over the journal
  JournalKind kind = JournalKind::Delete;
  std::uint64_t undoes = 0;  // Undo: the action whose file this put back
  std::string time;          // local time, "2026-12-08T13:01:02"
  std::string oldPath;       // where the file was
  std::string newPath;       // where it is now: the move's target, the trash, the kept copy Link took
  std::string trashInfo;     // Trash: the .trashinfo that belongs to it
  FileIdentity before;
  // The folder that held it at oldPath: Undo puts it back only into that very folder.
  platform::FolderId oldFolder;
  // Undo: the folder it was put back into; a later undo of the same action trusts a folder it made.
  platform::FolderId newFolder;
  FileIdentity after;              // Move, Trash, Undo: the file as it lies at newPath
  std::int64_t afterLookedAt = 0;  // wall clock just before `after` was taken, for the racy rule
  ContentDigest digest;            // its group's
  std::uint64_t size = 0;

  // A file we can put back: moved or trashed, and the system told where it went.
  bool canBePutBack() const { return (kind == JournalKind::Move || kind == JournalKind::Trash) && !newPath.empty(); }
};

// Past this size the journal drops its oldest actions, whole, until it is under half of it.
inline constexpr std::uint64_t kJournalCap = 64ull << 20;

// The journal's file: Actions.log in the folder platform::actionLogFolder() names.
std::string defaultJournalPath();

// Adds the files of one action to the journal. Several processes may add to one journal at once:
// each takes its number and writes each line under the journal's lock, and the lines of two actions
// may interleave.
class ActionJournal {
 public:
  // `path` may be empty: nothing is written then. `cap`: see kJournalCap.
  explicit ActionJournal(std::string path, std::uint64_t cap = kJournalCap) : path_(std::move(path)), cap_(cap) {}

  // Opens the journal (made private to the user, with its folder), or says why it can't be written:
  // a link, a folder, a pipe, no access, its lock held by another program for long. Asked before
  // an action, so that one without a record can be refused; begin opens it when this was not called.
  std::error_code open();
  // Starts an action: first drops the oldest actions when the journal is past its cap, then takes
  // the number after the highest one written and writes a line of its own with it, so that no
  // other action takes it.
  std::error_code begin(JournalKind kind);
  std::uint64_t action() const { return action_; }
  // Writes one file's line at once. `record.action`, `kind` and `time` are filled in here. From
  // any thread: each line is written whole, after the other thread's.
  std::error_code record(JournalRecord record);
  // The first failure to write, if any: the action goes on, and says so at the end.
  const std::error_code& failure() const { return failure_; }
  const std::string& path() const { return path_; }

 private:
  // Runs `step` holding the journal's lock, on the file the path names now.
  template <typename Step>
  std::error_code underLock(Step step);
  std::error_code trimPastCap();
  std::error_code takeNumber();
  std::error_code appendLine(const std::string& line);

  std::string path_;
  std::uint64_t cap_;
  platform::JournalFile file_;
  JournalKind kind_ = JournalKind::Delete;
  std::uint64_t action_ = 0;
  std::error_code failure_;
  platform::LocalClockText clock_;
  std::mutex recording_;
};

// One line of the journal as text, without its line end; and back. A line that is no record (cut
// short by a killed run, or edited) reads as false.
std::string journalLine(const JournalRecord& record);
bool readJournalLine(std::string_view line, JournalRecord& record);

// Every record of the journal at `path`, in the order written; lines that are no record are left
// out. Empty when there is no journal. Past `cap`, only its last `cap` bytes are read. An error
// when the journal is no regular file, or can't be read and written.
std::error_code readJournal(const std::string& path, std::vector<JournalRecord>& records,
                            std::uint64_t cap = kJournalCap);
// The same, empty on an error.
std::vector<JournalRecord> readJournal(const std::string& path);

// Why the journal at `path` can't be used, as pelimor-find and the window tell it.
NoticeText journalProblemText(const std::string& path, std::error_code error);

// One action as `pelimor-find --list-actions` shows it.
struct ActionSummary {
  std::uint64_t action = 0;
  JournalKind kind = JournalKind::Delete;
  std::string time;  // of its first file
  std::size_t files = 0;
  std::uint64_t bytes = 0;
  std::size_t putBack = 0;  // its files an Undo has put back since
};

// The actions of `records`, oldest first.
std::vector<ActionSummary> summarizeActions(const std::vector<JournalRecord>& records);

// "12  2026-12-08T13:01:02  trash  40 files, 1.2 MB  (3 put back)"
std::string actionSummaryLine(const ActionSummary& summary);

}  // namespace pelimor
