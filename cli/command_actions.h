#pragma once
// pelimor-find's actions on a search's groups: the window's safe selection by folder, then delete,
// move, hard link or block sharing, with the window's checks. One line per file on stdout, a
// summary on stderr.
#include <optional>
#include <string>
#include <vector>

#include "cli/exit_status.h"
#include "platform/file_status.h"
#include "results/file_removal.h"
#include "results/keep_rules.h"
#include "search/folder_group.h"
#include "search/result_row.h"

namespace pelimor {

// One step of the selection; the steps are applied in the order given.
struct SelectionStep {
  enum class Kind { InFolder, InTree, Keep, Matching };
  Kind kind = Kind::InFolder;
  std::string text;                  // the folder as the user gave it, the rule's name, or the pattern
  platform::FolderId identity = {};  // InFolder, InTree: the folder it names, links followed
  KeepRule rule = KeepRule::Newest;  // Keep
};

struct CommandAction {
  std::optional<FileAction> action;
  std::vector<SelectionStep> selections;   // applied in this order
  std::vector<std::string> sourceFolders;  // in the order given, for --keep first-source
  bool dryRun = false;
  // Each file is read again and must still give its group's checksums: for groups that no search
  // of this run made.
  bool verifyContent = false;
  bool moveKeepsFolders = false;    // --keep-folders
  bool removeEmptyFolders = false;  // --remove-empty-folders
  bool noJournal = false;           // --no-journal: no record, so no undo, whatever the journal is
};

// The folder each selection names, found on disk. An error text when one is missing or no folder.
std::optional<std::string> findSelectedFolders(std::vector<SelectionStep>& selections);

// Opens the journal `command` will write to: what to print when it can't be (pelimor-find then
// ends with JournalUnusable), nothing with --dry-run or --no-journal.
std::optional<std::string> openJournalFor(const CommandAction& command, ActionJournal& journal);

// Done when every selected file was done, SomeRefused when some were refused or the group guard
// stopped everything. With `folderGroups` the selection steps choose among the twin folders, and
// the files below the chosen ones are selected.
ExitStatus runCommandAction(const CommandAction& command, const std::vector<ResultRow>& rows,
                            const std::vector<FolderGroup>* folderGroups = nullptr);

// --list-actions: the actions of the journal, oldest first, one a line.
ExitStatus listActions();

// --undo and --undo-action N: puts the files of an action back (the newest action without `action`).
ExitStatus undoFromCommandLine(std::optional<std::uint64_t> action);

}  // namespace pelimor
