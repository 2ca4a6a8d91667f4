#include "results/action_steps.h"

#include <algorithm>
#include <system_error>

#include "platform/block_sharing.h"
#include "platform/file_reader.h"
#include "platform/file_times.h"
#include "platform/paths.h"
#include "results/empty_folders.h"
#include "results/move_by_copy.h"

namespace pelimor {

namespace {
// A folder that already holds this many files of one name is not probed any further.
constexpr unsigned kLastNumber = 100000;
}  // namespace

std::uint64_t FreedBytes::nameRemoved(const platform::FileStatus& status) {
  // A file of one name is gone with it, and can't be met again: only a dry run, which removes
  // nothing, may meet it twice.
  if (status.linkCount <= 1 && !dryRun_) return status.size;
  auto& [names, removed] = files_.try_emplace({status.device, status.inode}, status.linkCount, 0u).first->second;
  return ++removed == names ? status.size : 0;
}

std::uint64_t FreedBytes::movedAside(const platform::FileStatus& status) {
  const std::lock_guard<std::mutex> hold(lock_);
  return files_.try_emplace({status.device, status.inode}, 0u, 0u).second ? status.size : 0;
}

std::string moveTargetOf(const ActionOptions& options, std::string_view path) {
  if (!options.moveKeepsFolders) return options.moveFolder;
  const std::string_view folder = platform::folderPartView(path);
  const std::string_view source = holdingSourceFolder(options.sourceFolders, path);
  // No source holds it: the whole folder, below its root.
  const std::string_view below = source.empty() ? folder : folder.substr(std::min(folder.size(), source.size()));
  std::string kept;
  // A drive's "C:" becomes "C": no name may hold ':' there.
  for (const char c : below)
    if (c != ':') kept += c;
  kept.erase(0, kept.find_first_not_of(platform::kSeparator));
  return kept.empty() ? options.moveFolder : platform::joinPath(options.moveFolder, kept);
}

std::optional<NoticeText> Mover::move(const ResultRow& row, const platform::FolderHandle& from,
                                      const LastCheck& keeperStill, platform::TrashedFile& landed) {
  const std::string folder = moveTargetOf(options_, row.path);
  if (!target_.isOpen() || target_.path() != folder) {
    target_.close();
    std::error_code error = platform::createFolderWithParents(folder);
    if (!error) error = target_.open(folder);
    if (error)
      return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "the folder %1 cannot be created: %2"), folder, error);
    removeLeftoverCopies(target_);
  }
  const std::string name(row.name());
  for (unsigned number = 1; number <= kLastNumber; ++number) {
    const std::string targetName = number == 1 ? name : platform::numberedFileName(name, number);
    const std::error_code error = from.renameNoReplace(name, target_, targetName);
    if (error == std::errc::file_exists) continue;
    if (error == std::errc::cross_device_link) {
      const CopyMoveOutcome copy = moveByCopy(from, row, target_, targetName, folder, keeperStill);
      if (copy.targetTaken) continue;
      if (copy.failure) return copy.failure;
    } else if (error) {
      return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it cannot be moved to %1: %2"), folder, error);
    }
    landed.path = platform::joinPath(folder, targetName);
    landed.lookedAt = platform::wallClockNanoseconds();
    if (target_.statusOf(targetName, landed.status)) landed.lookedAt = 0;
    return std::nullopt;
  }
  return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "no free name is left for it in %1"), folder);
}

FileOutcome deleteOne(const CheckedFile& file, FreedBytes& freed) {
  FileOutcome outcome;
  const std::error_code error = file.folder.removeFile(std::string(file.found.name()));
  if (error == std::errc::no_such_file_or_directory)
    outcome.alreadyGone = true;
  else if (error)
    outcome.reason = NoticeText(error);
  else
    outcome.freedBytes = freed.nameRemoved(file.status);
  return outcome;
}

FileOutcome moveOne(const CheckedFile& file, Mover& mover, const LastCheck& keeperStill, FreedBytes& freed) {
  FileOutcome outcome;
  platform::TrashedFile landed;
  outcome.reason = mover.move(file.found, file.folder, keeperStill, landed);
  if (outcome.reason) return outcome;
  outcome.freedBytes = freed.movedAside(file.status);
  outcome.landed = std::move(landed);
  return outcome;
}

FileOutcome trashOne(const CheckedFile& file, platform::Trash& trash, FreedBytes& freed) {
  FileOutcome outcome;
  platform::TrashedFile trashed;
  bool gone = false;
  outcome.reason = trash.put(file.folder, std::string(file.found.name()), file.status, trashed, gone);
  if (gone) {
    outcome.reason.reset();
    outcome.alreadyGone = true;
  } else if (!outcome.reason) {
    outcome.freedBytes = freed.movedAside(file.status);
    outcome.landed = std::move(trashed);
  }
  return outcome;
}

FileOutcome linkOne(const CheckedFile& file, LinkReplacer& replacer, FreedBytes& freed) {
  FileOutcome outcome;
  outcome.reason = replacer.link(file.found, file.folder, file.status, file.keeper, outcome.attributeNote);
  if (!outcome.reason) outcome.freedBytes = freed.nameRemoved(file.status);
  return outcome;
}

// Counts the blocks that were the file's own before and no longer are.
FileOutcome cloneOne(const CheckedFile& file, LinkReplacer& replacer) {
  platform::FileReader reader;
  std::uint64_t before = 0, after = 0;
  const bool told = !reader.openIn(file.folder, std::string(file.found.name())) &&
                    !platform::unsharedBytes(reader.descriptor(), before);
  FileOutcome outcome;
  outcome.reason = replacer.clone(file.found, file.folder, file.keeper);
  if (outcome.reason) return outcome;
  if (!told || platform::unsharedBytes(reader.descriptor(), after))
    outcome.freedBytes = file.found.size;  // the system can't tell what was shared before: the best guess
  else if (before > after)
    outcome.freedBytes = before - after;
  return outcome;
}

FileOutcome dryRunOne(FileAction action, const CheckedFile& file, const ActionOptions& options, FreedBytes& freed) {
  FileOutcome outcome;
  switch (action) {
    case FileAction::Move:
      // Where it would go: the name may still get a number then.
      outcome.landed.emplace().path = platform::joinPath(moveTargetOf(options, file.found.path), file.found.name());
      outcome.freedBytes = freed.movedAside(file.status);
      break;
    case FileAction::Trash:
      outcome.landed.emplace();  // the trash is not looked for: its place stays untold
      outcome.freedBytes = freed.movedAside(file.status);
      break;
    case FileAction::Clone:
      outcome.freedBytes = file.found.size;
      break;
    case FileAction::Delete:
    case FileAction::Link:
      outcome.freedBytes = freed.nameRemoved(file.status);
      break;
  }
  return outcome;
}

}  // namespace pelimor
