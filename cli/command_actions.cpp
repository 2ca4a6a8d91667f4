#include "cli/command_actions.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "cli/plain_text.h"
#include "platform/directory_reader.h"
#include "platform/io_error_text.h"
#include "results/action_undo.h"
#include "results/folder_selection.h"
#include "results/safe_selection.h"

namespace pelimor {

namespace {
struct Wording {
  std::string_view verb;  // for each line
  std::string_view done;  // for the summary
};
constexpr Wording kWording[] = {{"deleted", "deleted"},
                                {"moved", "moved"},
                                {"linked", "replaced by hard links"},
                                {"cloned", "sharing blocks"},
                                {"trashed", "moved to the trash"}};
constexpr std::string_view kDryVerb[] = {"would delete", "would move", "would link", "would clone", "would trash"};

void write(const std::string& text, std::FILE* to) { std::fwrite(text.data(), 1, text.size(), to); }
}  // namespace

std::optional<std::string> findSelectedFolders(std::vector<SelectionStep>& selections) {
  for (SelectionStep& selection : selections) {
    using Kind = SelectionStep::Kind;
    if (selection.kind != Kind::InFolder && selection.kind != Kind::InTree) continue;
    platform::FileStatus status;
    const std::string option = selection.kind == Kind::InTree ? "--select-in-tree " : "--select-in ";
    if (const std::error_code error = platform::statusOfPath(selection.text, true, status))
      return option + plainText(selection.text) + ": " + platform::systemErrorText(error);
    if (status.kind != platform::EntryKind::Directory) return option + plainText(selection.text) + ": not a folder";
    selection.identity = platform::FolderId{status.device, status.inode};
  }
  return std::nullopt;
}

std::optional<std::string> openJournalFor(const CommandAction& command, ActionJournal& journal) {
  if (command.dryRun || command.noJournal) return std::nullopt;
  const std::error_code error = journal.open();
  if (!error) return std::nullopt;
  return journalProblemText(plainText(journal.path()), error).english() +
         " Nothing was done: --no-journal acts without a record, which --undo can't put back.";
}

namespace {
// The journal's problem on stderr, and the status that tells it.
ExitStatus journalUnusable(std::error_code error) {
  write("pelimor-find: " + journalProblemText(plainText(defaultJournalPath()), error).english() + "\n", stderr);
  return ExitStatus::JournalUnusable;
}

// The selection steps, in order, over `rows`: files, or twin folders as twinRows gives them.
std::vector<bool> applySelections(const CommandAction& command, const std::vector<ResultRow>& rows) {
  std::vector<bool> selected(rows.size(), false);
  for (const SelectionStep& step : command.selections) {
    using Kind = SelectionStep::Kind;
    if (step.kind == Kind::InFolder || step.kind == Kind::InTree) {
      selectInFolder(rows, selected, step.identity, step.kind == Kind::InTree);
      continue;
    }
    SelectionChange change = step.kind == Kind::Keep ? applyKeepRule(rows, selected, step.rule, command.sourceFolders)
                                                     : selectMatching(rows, selected, step.text);
    selected = std::move(change.selected);
    if (change.groupsLeftAlone > 0)
      write("pelimor-find: " + std::string(step.kind == Kind::Keep ? "--keep " : "--select-matching ") +
                plainText(step.text) + ": " + plainNotice(groupsLeftAloneText(change.groupsLeftAlone)) + "\n",
            stderr);
  }
  return selected;
}
}  // namespace

ExitStatus runCommandAction(const CommandAction& command, const std::vector<ResultRow>& rows,
                            const std::vector<FolderGroup>* folderGroups) {
  const FileAction action = *command.action;
  std::vector<bool> selected;
  if (folderGroups) {
    const std::vector<ResultRow> twins = twinRows(*folderGroups);
    selected.assign(rows.size(), false);
    selectFilesOfTwins(rows, selected, twins, applySelections(command, twins));
  } else {
    selected = applySelections(command, rows);
  }

  ActionOptions options;
  options.dryRun = command.dryRun;
  options.verifyContent = command.verifyContent;
  options.moveKeepsFolders = command.moveKeepsFolders;
  options.removeEmptyFolders = command.removeEmptyFolders;
  options.sourceFolders = command.sourceFolders;
  ActionJournal journal(command.noJournal ? std::string() : defaultJournalPath());
  if (const std::optional<std::string> refusal = openJournalFor(command, journal)) {
    write("pelimor-find: " + *refusal + "\n", stderr);
    return ExitStatus::JournalUnusable;
  }
  options.journal = &journal;
  const RemovalResult result = actOnSelectedFiles(action, rows, selected, options);
  if (result.refused) {
    // Nothing to do is no failure; a group that would lose every file is.
    write("pelimor-find: " + plainNotice(result.notice->text) + "\n", stderr);
    return result.notice->kind == Notice::Kind::GroupGuard ? ExitStatus::SomeRefused : ExitStatus::Done;
  }

  const std::string_view verb =
      command.dryRun ? kDryVerb[static_cast<int>(action)] : kWording[static_cast<int>(action)].verb;
  std::vector<std::string> lines(rows.size());
  std::uint64_t done = 0;
  const auto acted = [&](std::size_t row, const std::string& tail) {
    lines[row] = std::string(verb) + " " + plainText(rows[row].path) + tail + "\n";
    ++done;
  };
  for (const MovedFile& moved : result.moved)
    acted(moved.row, moved.destination.empty() ? "" : " -> " + plainText(moved.destination));
  for (const LinkedFile& linked : result.linked) acted(linked.row, " -> " + plainText(rows[linked.keeper].path));
  if (action == FileAction::Delete) {
    const std::vector<std::size_t>& gone = result.alreadyGone;
    for (const std::size_t row : result.rowsToRemove)
      if (!std::binary_search(gone.begin(), gone.end(), row)) acted(row, "");
    for (const std::size_t row : gone) lines[row] = "already gone " + plainText(rows[row].path) + "\n";
  }
  for (const FileFailure& failure : result.failures)
    lines[failure.row] = "refused " + plainText(failure.path) + ": " + plainNotice(failure.reason) + "\n";
  std::string out;
  for (const std::string& line : lines) out += line;
  for (const std::string& folder : result.removedFolders) out += "removed empty folder " + plainText(folder) + "\n";
  write(out, stdout);

  for (const FileFailure& note : result.attributesLost)
    write("pelimor-find: " + plainText(note.path) + ": " + plainNotice(note.reason) + "\n", stderr);
  const std::string freed =
      action == FileAction::Move || action == FileAction::Trash ? " bytes moved aside" : " bytes freed";
  write("pelimor-find: " + std::to_string(done) + (done == 1 ? " file " : " files ") +
            (command.dryRun ? "would be " : "") + std::string(kWording[static_cast<int>(action)].done) + ", " +
            std::to_string(result.failures.size()) + " refused, " + std::to_string(result.freedBytes) + freed + "\n",
        stderr);
  if (result.journalAction != 0 && (action == FileAction::Move || action == FileAction::Trash) && done > 0)
    write("pelimor-find: this was action " + std::to_string(result.journalAction) + "; --undo puts its files back\n",
          stderr);
  // A journal that could not be written is told, not failed on: the files were done.
  if (result.journalFailure) write("pelimor-find: warning: " + plainNotice(*result.journalFailure) + "\n", stderr);
  return result.failures.empty() ? ExitStatus::Done : ExitStatus::SomeRefused;
}

ExitStatus listActions() {
  std::vector<JournalRecord> records;
  if (const std::error_code error = readJournal(defaultJournalPath(), records)) return journalUnusable(error);
  std::string out;
  for (const ActionSummary& summary : summarizeActions(records)) out += actionSummaryLine(summary) + "\n";
  write(out, stdout);
  return ExitStatus::Done;
}

ExitStatus undoFromCommandLine(std::optional<std::uint64_t> action) {
  std::vector<JournalRecord> records;
  if (const std::error_code error = readJournal(defaultJournalPath(), records)) return journalUnusable(error);
  if (!action) action = newestAction(records);
  if (!action) {
    write("pelimor-find: no action has been recorded in " + plainText(defaultJournalPath()) + "\n", stderr);
    return ExitStatus::SomeRefused;
  }
  ActionJournal journal(defaultJournalPath());
  if (const std::error_code error = journal.open()) return journalUnusable(error);
  const UndoResult result = undoAction(records, *action, &journal, nullptr, platform::removedFilesFolder());
  if (result.refused) {
    write("pelimor-find: " + plainNotice(result.notice->text) + "\n", stderr);
    return ExitStatus::SomeRefused;
  }
  std::string out;
  for (const PutBackFile& file : result.putBack) out += "put back " + plainText(file.path) + "\n";
  for (const UndoFailure& failure : result.failures)
    out += "not put back " + plainText(failure.path) + ": " + plainNotice(failure.reason) + "\n";
  write(out, stdout);
  write("pelimor-find: " + std::to_string(result.putBack.size()) + " put back, " +
            std::to_string(result.failures.size()) + " not put back\n",
        stderr);
  return result.failures.empty() ? ExitStatus::Done : ExitStatus::SomeRefused;
}

}  // namespace pelimor
