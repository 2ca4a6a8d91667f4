#include "cli/command_actions.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "cli/plain_text.h"
#include "results/safe_selection.h"

namespace pelimor {

namespace {
struct Wording {
  std::string_view verb;  // for each line
  std::string_view done;  // for the summary
};
constexpr Wording kWording[] = {
    {"deleted", "deleted"}, {"moved", "moved"}, {"linked", "replaced by hard links"}, {"cloned", "sharing blocks"}};
constexpr std::string_view kDryVerb[] = {"would delete", "would move", "would link", "would clone"};

void write(const std::string& text, std::FILE* to) { std::fwrite(text.data(), 1, text.size(), to); }
}  // namespace

int runCommandAction(const CommandAction& command, const std::vector<ResultRow>& rows) {
  const FileAction action = *command.action;
  std::vector<bool> selected(rows.size(), false);
  for (const FolderSelection& selection : command.selections)
    selectInFolder(rows, selected, selection.folder, selection.wholeTree);

  ActionOptions options;
  options.dryRun = command.dryRun;
  const RemovalResult result = actOnSelectedFiles(action, rows, selected, options);
  if (result.refused) {
    // Nothing to do is no failure; a group that would lose every file is.
    write("pelimor-find: " + result.notice->text + "\n", stderr);
    return result.notice->kind == Notice::Kind::GroupGuard ? 1 : 0;
  }

  const std::string_view verb =
      command.dryRun ? kDryVerb[static_cast<int>(action)] : kWording[static_cast<int>(action)].verb;
  std::vector<std::string> lines(rows.size());
  std::uint64_t bytes = 0, done = 0;
  const auto acted = [&](std::size_t row, const std::string& tail) {
    lines[row] = std::string(verb) + " " + plainText(rows[row].path) + tail + "\n";
    bytes += rows[row].size;
    ++done;
  };
  for (const MovedFile& moved : result.moved) acted(moved.row, " -> " + plainText(moved.destination));
  for (const LinkedFile& linked : result.linked) acted(linked.row, " -> " + plainText(rows[linked.keeper].path));
  if (action == FileAction::Delete)
    for (const std::size_t row : result.rowsToRemove) acted(row, "");
  for (const FileFailure& failure : result.failures)
    lines[failure.row] = "refused " + plainText(failure.path) + ": " + failure.reason + "\n";
  std::string out;
  for (const std::string& line : lines) out += line;
  write(out, stdout);

  for (const FileFailure& note : result.attributesLost)
    write("pelimor-find: " + plainText(note.path) + ": " + note.reason + "\n", stderr);
  const std::string freed = action == FileAction::Move ? " bytes moved aside" : " bytes freed";
  write("pelimor-find: " + std::to_string(done) + (done == 1 ? " file " : " files ") +
            (command.dryRun ? "would be " : "") + std::string(kWording[static_cast<int>(action)].done) + ", " +
            std::to_string(result.failures.size()) + " refused, " + std::to_string(bytes) + freed + "\n",
        stderr);
  return result.failures.empty() ? 0 : 1;
}

}  // namespace pelimor
