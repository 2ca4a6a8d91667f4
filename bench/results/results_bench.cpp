// Result actions on lists of the size a large collection gives.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/directory_reader.h"
#include "platform/file_operations.h"
#include "platform/folder_handle.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "results/action_undo.h"
#include "results/file_removal.h"
#include "results/group_guard.h"
#include "results/html_report.h"
#include "results/keep_rules.h"
#include "results/result_order.h"
#include "results/safe_selection.h"

namespace pelimor {
namespace {

// Groups of two to five rows spread over a few thousand folders, listed by name as a user might
// leave the list, so the action has to re-sort it.
std::vector<ResultRow> makeRows(std::size_t count) {
  std::mt19937 random(7);
  std::vector<ResultRow> rows;
  rows.reserve(count);
  std::uint32_t group = 0;
  while (rows.size() < count) {
    ++group;
    const std::size_t members = std::min<std::size_t>(2 + random() % 4, count - rows.size());
    const std::uint64_t size = 1000 + random() % 10'000'000;
    for (std::size_t m = 0; m < members; ++m) {
      ResultRow row;
      row.group = group;
      row.path = "/home/user/Pictures/folder" + std::to_string(random() % 3000) + "/IMG_" + std::to_string(group) +
                 "_" + std::to_string(m) + ".jpg";
      row.size = size;
      row.crc32 = group * 2654435761u;
      rows.push_back(std::move(row));
    }
  }
  sortResultRows(rows, SortState{ResultColumn::Name, false});
  return rows;
}

void BM_SafeSelection(benchmark::State& state) {
  const std::vector<ResultRow> rows = makeRows(static_cast<std::size_t>(state.range(0)));
  const std::vector<bool> selected(rows.size(), false);
  for (auto _ : state) {
    SafeSelectionResult result = safeSelection(rows, selected, std::nullopt, SortState{ResultColumn::Name, false});
    benchmark::DoNotOptimize(result.selected.size());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SafeSelection)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// Every group keeps a row: the guard has to look at all of them and lets the action through.
void BM_GroupGuard(benchmark::State& state) {
  const std::vector<ResultRow> rows = makeRows(static_cast<std::size_t>(state.range(0)));
  std::vector<bool> selected(rows.size(), false);
  std::uint32_t groups = 0;
  for (const ResultRow& row : rows) groups = std::max(groups, row.group);
  std::vector<bool> seen(groups + 1, false);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    selected[i] = seen[rows[i].group];
    seen[rows[i].group] = true;
  }
  for (auto _ : state) benchmark::DoNotOptimize(removalRefusal(rows, selected));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_GroupGuard)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// The status bar's group count, run on every change of the list.
void BM_GroupCount(benchmark::State& state) {
  const std::vector<ResultRow> rows = makeRows(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(groupCount(rows));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_GroupCount)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// Each keep rule on a million rows listed by name, so that groups are found by number; times are
// spread at random, and every tenth group holds a reference row.
void BM_KeepRule(benchmark::State& state) {
  std::vector<ResultRow> rows = makeRows(1'000'000);
  std::mt19937_64 random(11);
  for (ResultRow& row : rows) {
    row.identity.modifiedNanoseconds = static_cast<std::int64_t>(random() >> 4);
    row.reference = row.group % 10 == 0 && row.path.ends_with("_0.jpg");
  }
  const std::vector<bool> selected(rows.size(), false);
  const std::vector<std::string> sources = {"/mnt/backup", "/home/user/Pictures/folder1", "/home/user/Pictures"};
  const auto rule = static_cast<KeepRule>(state.range(0));
  state.SetLabel(std::string(keepRuleName(rule)));
  for (auto _ : state) benchmark::DoNotOptimize(applyKeepRule(rows, selected, rule, sources));
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(rows.size()));
}
BENCHMARK(BM_KeepRule)->DenseRange(0, kKeepRuleNames.size() - 1)->Unit(benchmark::kMillisecond);

// Formatting and writing, with the disk left out.
void BM_WriteHtmlReport(benchmark::State& state) {
  const std::vector<ResultRow> rows = makeRows(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) writeHtmlReport("/dev/null", rows);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WriteHtmlReport)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// Rows for real files: `pairs` groups of two identical files, the first of each selected, spread
// over a thousand folders in list order as a search leaves it, so almost every row opens another folder.
std::vector<ResultRow> makeFilePairs(const std::string& base, std::size_t pairs) {
  std::vector<ResultRow> rows;
  rows.reserve(2 * pairs);
  for (std::size_t folder = 0; folder < 1000; ++folder)
    platform::createFolderWithParents(base + "/f" + std::to_string(folder));
  for (std::size_t pair = 0; pair < pairs; ++pair) {
    for (std::size_t copy = 0; copy < 2; ++copy) {
      ResultRow row;
      row.group = static_cast<std::uint32_t>(pair + 1);
      const std::string folder = base + "/f" + std::to_string((pair * 2 + copy) % 1000);
      row.path = folder + "/file" + std::to_string(pair) + "-" + std::to_string(copy);
      const std::string content = "content " + std::to_string(pair);
      std::ofstream(row.path) << content;
      ContentHasher hasher;
      hasher.update(content.data(), content.size());
      row.setDigest(hasher.finish());
      platform::FileStatus file, holder;
      platform::statusOfPath(row.path, false, file);
      platform::statusOfPath(folder, false, holder);
      row.size = file.size;
      row.identity = RowIdentity{identityOf(file), platform::FolderId{holder.device, holder.inode}};
      rows.push_back(std::move(row));
    }
  }
  return rows;
}

// Writes the files just made to the disk before the clock starts: an action on a user's files
// does not meet the writing back of hundreds of thousands of files made a moment before.
void settleOnDisk() {
  if (std::system("sync") != 0) std::fputs("sync failed\n", stderr);
}

// Opens `path` in `handle` unless it is the folder already open there.
void openOnce(platform::FolderHandle& handle, std::string_view& open, std::string_view path) {
  if (path != open) handle.open(std::string(open = path));
}

// The floor under Delete: the same system calls in a plain loop (look at the file, look at its
// kept copy, remove the file), each folder opened once, with none of the action's bookkeeping.
void deleteBare(const std::vector<ResultRow>& rows) {
  platform::FolderHandle folder, keptFolder;
  std::string_view folderPath, keptFolderPath;
  platform::FileStatus status;
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < rows.size(); i += 2) order.push_back(i);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return platform::folderPartView(rows[a].path) < platform::folderPartView(rows[b].path);
  });
  for (const std::size_t i : order) {
    openOnce(folder, folderPath, platform::folderPartView(rows[i].path));
    openOnce(keptFolder, keptFolderPath, platform::folderPartView(rows[i + 1].path));
    folder.statusOf(std::string(rows[i].name()), status);
    keptFolder.statusOf(std::string(rows[i + 1].name()), status);
    folder.removeFile(std::string(rows[i].name()));
  }
}

// Delete with every check: each file's folder opened and compared, the file and its kept copy
// looked at, then removed. Made on the disk under $PELIMOR_BENCH_DIR (default /tmp). The second
// argument 1 counts progress as the window does, to see what that costs; 2 runs the bare loop
// above on the same files, since the kernel's own cost for these calls swings widely from run to run.
void BM_DeleteChecked(benchmark::State& state) {
  const char* base = std::getenv("PELIMOR_BENCH_DIR");
  const std::string folder = std::string(base ? base : "/tmp") + "/pelimor-bench-delete";
  const auto pairs = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove_all(folder);
    const std::vector<ResultRow> rows = makeFilePairs(folder, pairs);
    settleOnDisk();
    std::vector<bool> selected(rows.size());
    for (std::size_t i = 0; i < rows.size(); i += 2) selected[i] = true;
    ActionProgress progress;
    ActionOptions options;
    if (state.range(1) == 1) options.progress = &progress;
    state.ResumeTiming();
    if (state.range(1) == 2) {
      deleteBare(rows);
      continue;
    }
    const RemovalResult result = actOnSelectedFiles(FileAction::Delete, rows, selected, options);
    if (result.rowsToRemove.size() != pairs) state.SkipWithError("not every selected file was deleted");
  }
  std::filesystem::remove_all(folder);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DeleteChecked)
    ->Args({100'000, 0})
    ->Args({100'000, 1})
    ->Args({100'000, 2})
    ->Iterations(1)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond);

// The floor under Move to Trash, on one thread: for each file the same system calls in a plain
// loop (look at the file and its kept copy, make the info file, rename the file into the trash, look
// at it there, append a journal line), each folder opened once, none of the action's bookkeeping.
void trashBare(const std::vector<ResultRow>& rows, const std::string& trash, const std::string& journalPath) {
  platform::createFolderWithParents(trash + "/files");
  platform::createFolderWithParents(trash + "/info");
  platform::FolderHandle folder, keptFolder, files, info;
  files.open(trash + "/files");
  info.open(trash + "/info");
  platform::OutputFile journal;
  journal.openForAppending(journalPath);
  std::string_view folderPath, keptFolderPath;
  platform::FileStatus status;
  for (std::size_t i = 0; i < rows.size(); i += 2) {
    openOnce(folder, folderPath, platform::folderPartView(rows[i].path));
    openOnce(keptFolder, keptFolderPath, platform::folderPartView(rows[i + 1].path));
    const std::string name(rows[i].name());
    folder.statusOf(name, status);
    keptFolder.statusOf(std::string(rows[i + 1].name()), status);
    platform::OutputFile infoFile;
    infoFile.createNewIn(info, name + ".trashinfo");
    infoFile.write("[Trash Info]\nPath=" + rows[i].path + "\nDeletionDate=2026-12-09T01:00:00\n");
    infoFile.close();
    folder.statusOf(name, status);
    folder.renameNoReplace(name, files, name);
    files.statusOf(name, status);
    journal.write(
        R"({"action":1,"do":"trash","old":")" + rows[i].path + R"(","new":")" + trash + "/files/" + name +
        R"(","device":2049,"inode":123456789,"size":12,"crc32":"0123ABCD","hash":"0123456789abcdef0123456789abcdef"})"
        "\n");
  }
}

// Move to Trash with every check and the journal written file by file, then Undo of it (the second
// argument 1), each on 100,000 files of one file system under $PELIMOR_BENCH_DIR (default /tmp),
// whose trash is the home trash pointed there; 2 runs the bare loop above on the same files, side
// by side with the action, since the kernel's cost for these calls swings from run to run.
void BM_TrashAndUndo(benchmark::State& state) {
  const char* base = std::getenv("PELIMOR_BENCH_DIR");
  const std::string root = std::string(base ? base : "/tmp") + "/pelimor-bench-trash";
  const std::string folder = root + "/files";
  setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
  const auto pairs = static_cast<std::size_t>(state.range(0));
  const bool undo = state.range(1) == 1;
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove_all(root);
    const std::vector<ResultRow> rows = makeFilePairs(folder, pairs);
    settleOnDisk();
    if (state.range(1) == 2) {
      state.ResumeTiming();
      trashBare(rows, root + "/data/Trash", root + "/bare-journal");
      continue;
    }
    std::vector<bool> selected(rows.size());
    for (std::size_t i = 0; i < rows.size(); i += 2) selected[i] = true;
    ActionJournal journal(defaultJournalPath());
    ActionOptions options;
    options.journal = &journal;
    if (!undo) state.ResumeTiming();
    const RemovalResult result = actOnSelectedFiles(FileAction::Trash, rows, selected, options);
    if (result.moved.size() != pairs) state.SkipWithError("not every selected file went to the trash");
    if (!undo) continue;
    const std::vector<JournalRecord> records = readJournal(journal.path());
    state.ResumeTiming();
    const UndoResult back = undoAction(records, result.journalAction, &journal);
    if (back.putBack.size() != pairs) state.SkipWithError("not every file was put back");
  }
  std::filesystem::remove_all(root);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TrashAndUndo)
    ->Args({100'000, 0})
    ->Args({100'000, 1})
    ->Args({100'000, 2})
    ->Iterations(1)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond);

// What progress adds to an action, apart from its files: for each of 100,000 files the cancel
// question, the file counted, and the current folder published when it changes (the argument: files
// per folder; 1 is the worst case, a new folder for every file).
void BM_ActionProgress(benchmark::State& state) {
  const std::size_t filesPerFolder = static_cast<std::size_t>(state.range(0));
  std::vector<std::string> folders;
  for (std::size_t i = 0; i < 1000; ++i) folders.push_back("/home/user/Pictures/folder" + std::to_string(i));
  for (auto _ : state) {
    ActionProgress progress;
    progress.begin(100'000, 100'000 * 4096);
    std::string_view lastFolder;
    for (std::size_t file = 0; file < 100'000; ++file) {
      if (progress.cancelled()) break;
      if (const std::string_view folder = folders[(file / filesPerFolder) % folders.size()]; folder != lastFolder)
        progress.setCurrentFolder(lastFolder = folder);
      progress.fileDone(4096);
    }
    benchmark::DoNotOptimize(progress.filesDone());
  }
  state.SetItemsProcessed(state.iterations() * 100'000);
}
BENCHMARK(BM_ActionProgress)->Arg(200)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pelimor

BENCHMARK_MAIN();
