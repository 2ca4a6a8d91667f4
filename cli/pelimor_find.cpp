// pelimor-find: the duplicate search without the window, for scripts and terminals.

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "cli/catalog.h"
#include "cli/command_actions.h"
#include "cli/exit_status.h"
#include "cli/plain_text.h"
#include "cli/saved_search.h"
#include "pelimor_version.h"
#include "platform/console.h"
#include "platform/directory_reader.h"
#include "platform/file_times.h"
#include "platform/folders.h"
#include "platform/io_error_text.h"
#include "platform/paths.h"
#include "platform/system_version.h"
#include "platform/whole_file.h"
#include "results/html_report.h"
#include "results/json_reader.h"
#include "results/json_text.h"
#include "search/crc32.h"
#include "search/duplicate_search.h"
#include "search/mask_presets.h"
#include "search/picture_grouper.h"

namespace {

using namespace pelimor;

constexpr const char* kUsage =
    "Usage: pelimor-find [OPTION]... [FOLDER]...\n"
    "  or:  pelimor-find --unique-in FOLDER [OPTION]... [FOLDER]...\n"
    "  or:  pelimor-find SELECTION... ACTION [--dry-run] [OPTION]... [FOLDER]...\n"
    "  or:  pelimor-find SELECTION... ACTION [--dry-run] --load FILE\n"
    "  or:  pelimor-find --list-actions | --undo | --undo-action N\n"
    "  or:  pelimor-find --catalog FILE [--digests-for LIST] [OPTION]... [FOLDER]...\n"
    "  or:  pelimor-find --merge [--need-dir DIR] CATALOG...\n"
    "  or:  pelimor-find --similar-pictures [--similarity N] [OPTION]... [FOLDER]...\n"
    "\n"
    "Finds files with identical content in the given folders (default: your home folder)\n"
    "and prints them as numbered groups, one line per file:\n"
    "  GROUP<TAB>SIZE<TAB>CRC32<TAB>PATH\n"
    "with a blank line between groups. A path's line feed, carriage return, tab and backslash\n"
    "are written as \\n, \\r, \\t and \\\\, so that every file is one line, and its other\n"
    "control bytes (0x00 to 0x1F, 0x7F) as \\xNN, so that none reaches the terminal.\n"
    "\n"
    "  --type TYPE   which files to compare: all (default), images, audio or video\n"
    "  --mask TEXT   your own masks instead of a type, separated by ';' (e.g. \"*.iso; *.img\")\n"
    "  --min-kb N    only files larger than N kilobytes (default 100)\n"
    "  --json        print {\"groups\": [...], \"skipped\": [...]} instead, each group with\n"
    "                its files' identities for --load; bytes of a path that are not valid\n"
    "                UTF-8 are written as \\udcXX\n"
    "  --exclude GLOB  never enter or list what matches: a name (node_modules, *.tmp) anywhere,\n"
    "                or with a '/' a path below the searched folder (photos/cache/*);\n"
    "                * ? [a-z] within a name, ** across folders; repeatable\n"
    "  --hidden      search hidden folders (names starting with '.') too\n"
    "  --reference FOLDER  search FOLDER too, but never select, delete, move or link its files;\n"
    "                groups with no file outside the reference folders are left out\n"
    "  --unique-in FOLDER  print the files under FOLDER that have no identical file anywhere\n"
    "                else in the search, one a line (JSON with --json); every size counts\n"
    "  --report FILE also write the groups as an HTML report to FILE\n"
    "  --folders     print the folders that hold the same tree instead: the same names, every\n"
    "                file identical, the same subfolders, links by their text; every file\n"
    "                counts (any type, size or hidden), and a folder holding what can't be\n"
    "                read, a device or a pipe has no twin. One line per folder:\n"
    "                  GROUP<TAB>BYTES<TAB>FILES<TAB>PATH\n"
    "                (bytes and files of one copy), a blank line between groups, largest\n"
    "                first; twins inside twins are not listed again. With a SELECTION and an\n"
    "                ACTION the steps choose among the twin folders as among files (a twin\n"
    "                lies directly in the folder that holds it, in the tree of the folder\n"
    "                it is, in the source it is or lies below), never every twin of a\n"
    "                group, and every file below the chosen ones is selected\n"
    "  --ignore-names  with --folders: files and subfolders match by content, whatever their names\n"
    "  --contained-in  with --folders: list instead each folder whose every file has an identical\n"
    "                file below another folder, then the deepest such folders (\"is A backed\n"
    "                up in B?\"); bytes and files are the first folder's\n"
    "  --similar-pictures  find pictures that look alike instead: resized, saved again at\n"
    "                another quality, turned by their orientation tag, cropped a little,\n"
    "                brighter or darker, made grey (JPEG, PNG, WebP, TIFF, GIF, HEIC/HEIF,\n"
    "                AVIF by their names' extensions; --type, --mask and --min-kb apply\n"
    "                too). One line per picture, its fields separated by tabs:\n"
    "                  GROUP SIZE WIDTHxHEIGHT DISTANCE CRC32 SAME PATH\n"
    "                WIDTHxHEIGHT the picture's pixels, upright; DISTANCE the bits of its\n"
    "                64-bit hash that differ from the group's first picture (the one with\n"
    "                the most pixels, which leads the group); SAME \"=\" when another file of\n"
    "                the group holds the very same bytes, else \"-\". With --json:\n"
    "                {\"similar_pictures\": [...], \"skipped\": [...]}. --delete, --move and\n"
    "                --trash read every file and its kept picture again and check each\n"
    "                against its own checksums; --link, --clone, --load, --folders,\n"
    "                --unique-in and --catalog are refused\n"
    "  --similarity N  with --similar-pictures, how alike pictures must be: 1 near copies\n"
    "                (hashes at most 4 bits apart), 2 close (8), 3 similar (12, the\n"
    "                default), 4 loose (16)\n"
    "  --threads N   walk with N threads and read each disk with N readers (default:\n"
    "                the walk's chosen for this machine, each disk's readers measured)\n"
    "  --no-cache    neither use nor update the checksums kept from earlier searches\n"
    "                (in $XDG_CACHE_HOME/Pelimor, else ~/.cache/Pelimor)\n"
    "  --help        show this text\n"
    "  --version     show the version\n"
    "\n"
    "Acting on the groups, as the window does (every file checked to be still the very file the\n"
    "search found, beside an unselected copy that is unchanged too). SELECTION is one or more\n"
    "of the --select-in, --select-in-tree, --keep and --select-matching steps below, ACTION\n"
    "one of --delete, --move, --trash, --link and --clone.\n"
    "  --select-in FOLDER       in every group select the files directly in FOLDER, never the\n"
    "                           last unselected file of a group; repeatable, applied in order\n"
    "  --select-in-tree FOLDER  the same for files anywhere below FOLDER\n"
    "                           (FOLDER is the folder it names, links followed, whatever path\n"
    "                           led the search to the files)\n"
    "  --keep RULE              in every group select every file but the one RULE keeps:\n"
    "                           newest, oldest (modification time), shortest-path,\n"
    "                           longest-path, first-source (its folder given first); for\n"
    "                           similar pictures also largest-file, or highest-resolution\n"
    "                           (most pixels, then the larger file); ties go to the path\n"
    "                           that sorts first; a reference file is\n"
    "                           always the one kept\n"
    "  --select-matching GLOB   also select the files whose path matches GLOB\n"
    "  The selection steps are applied in order; none selects a reference file or the last\n"
    "  unselected file of a group, and the groups a step had to leave are counted on stderr.\n"
    "  --delete      delete the selected files\n"
    "  --move        move them into the removed-files folder, never overwriting\n"
    "  --trash       move them to the desktop's trash on their own file system (never a copy\n"
    "                to another); the desktop's trash can lists and restores them\n"
    "  --link        replace each by a hard link to its group's first unselected file\n"
    "  --clone       make each share its disk blocks with that file (FIDEDUPERANGE; the kernel\n"
    "                compares the bytes; the file keeps its inode, owner and times)\n"
    "  --dry-run     print what would be done, touch nothing\n"
    "  --no-journal  act without recording the action in the journal, so that --undo can't\n"
    "                put its files back; an action the journal can't record is refused without it\n"
    "  --keep-folders  with --move: each file goes under its path below its source folder\n"
    "                instead of straight into the removed-files folder\n"
    "  --remove-empty-folders  then remove the folders this left empty (never a searched\n"
    "                folder itself), printing removed empty folder PATH for each\n"
    "  --load FILE   act on a saved search (the output of --json, a regular file of at most\n"
    "                1 GiB) instead of searching; files that changed since are refused, and\n"
    "                every file and its kept copy are read again to check their content\n"
    "Each file acted on prints one line: deleted PATH, already gone PATH, moved PATH -> NEWPATH,\n"
    "trashed PATH -> TRASHED, linked PATH -> KEPT, cloned PATH -> KEPT, refused PATH: REASON\n"
    "(\"would ...\" with --dry-run); a summary with the bytes freed goes to stderr. When the\n"
    "selection holds every file of some group, nothing is touched.\n"
    "\n"
    "Every action is recorded file by file in $XDG_DATA_HOME/Pelimor/Actions.log (else\n"
    "~/.local/share/Pelimor/Actions.log), one JSON object a line:\n"
    "  --list-actions   list the recorded actions: NUMBER TIME KIND FILES BYTES\n"
    "  --undo           put back the files of the newest action (a Move or a Trash): each\n"
    "                   only while it is still the file moved, never over a file that took\n"
    "                   its place; missing folders are made again\n"
    "  --undo-action N  the same for action N\n"
    "Deleted files can't come back.\n"
    "\n"
    "Files on several machines: search on each with --catalog, join the catalogs with --merge.\n"
    "  --catalog FILE   also write what the search learned of every file it took (type,\n"
    "                   masks and --min-kb apply) to FILE, one JSON object a line: a header,\n"
    "                   then per file its path, identity and the digest read, if any\n"
    "  --machine NAME   the machine's name in the catalog (default: its host name)\n"
    "  --digests-for LIST  with --catalog: also read whole the files LIST names, each only\n"
    "                   while it is still the file LIST saw\n"
    "  --merge CATALOG...  print the groups of identical files across the catalogs:\n"
    "                     GROUP<TAB>SIZE<TAB>CRC32<TAB>MACHINE<TAB>PATH\n"
    "                   files of a shared size whose digest no catalog holds yet are counted\n"
    "                   on stderr, per machine\n"
    "  --need-dir DIR   with --merge: write those files to DIR/MACHINE.list, a list for that\n"
    "                   machine's --digests-for\n"
    "\n"
    "Hidden files are compared; hidden folders (without --hidden), system trees and symbolic\n"
    "links to files are not.\n"
    "Files that could not be read, and folders not searched, are listed on stderr.\n"
    "Exit status: 0 done, 1 the report could not be written or a file was refused, 2 bad usage,\n"
    "3 no given folder could be searched or the action journal can't be used, 130 interrupted.\n";

struct Options {
  SearchRequest request;
  bool json = false;
  std::string reportFile;
  CommandAction command;
  std::string savedSearch;   // --load
  bool listActions = false;  // --list-actions
  bool undo = false;         // --undo, --undo-action
  std::optional<std::uint64_t> undoneAction;
  bool folders = false;   // --folders
  bool pictures = false;  // --similar-pictures
  bool similarityGiven = false;
  std::string catalogFile;  // --catalog
  std::string digestsFor;   // --digests-for
  std::string machine;      // --machine
  bool merge = false;       // --merge: the arguments are catalogs
  std::string needDir;      // --need-dir
  std::vector<std::string> catalogs;
};

std::atomic<bool> interrupted{false};
SearchControl* activeControl = nullptr;

void onInterrupt(int) {
  interrupted.store(true);
  if (activeControl) activeControl->abort();  // lock-free atomics: safe in a signal handler
}

// What the command line asks for when it is not a run: the text to show and the status to end with.
struct EarlyEnd {
  ExitStatus status = ExitStatus::Done;
  std::string text;  // for stdout when the status is Done, else the message for stderr
};

EarlyEnd usageError(const std::string& message) { return EarlyEnd{ExitStatus::BadUsage, message + " (see --help)"}; }

std::optional<std::string> presetFor(const std::string& type) {
  // The window's type names, in lower case; "Custom" is --mask.
  for (std::size_t i = 0; i < kPresetMasks.size(); ++i) {
    std::string name(kTypeNames[i]);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (type == name) return std::string(kPresetMasks[i]);
  }
  return std::nullopt;
}

std::optional<FileAction> actionNamed(const std::string& argument) {
  if (argument == "--delete") return FileAction::Delete;
  if (argument == "--move") return FileAction::Move;
  if (argument == "--link") return FileAction::Link;
  if (argument == "--clone") return FileAction::Clone;
  if (argument == "--trash") return FileAction::Trash;
  return std::nullopt;
}

bool takesValue(const std::string& option) {
  for (const char* named : {"--select-in", "--select-in-tree", "--keep", "--select-matching", "--load", "--report",
                            "--threads", "--type", "--mask", "--min-kb", "--exclude", "--reference", "--unique-in",
                            "--undo-action", "--catalog", "--digests-for", "--machine", "--need-dir", "--similarity"})
    if (option == named) return true;
  return false;
}

// The folder as a search takes it, when `path` names one.
std::optional<std::string> existingFolder(const std::string& path) {
  platform::FileStatus status;
  if (platform::statusOfPath(path, true, status) || status.kind != platform::EntryKind::Directory) return std::nullopt;
  return platform::normalizedFolder(path);
}

std::variant<Options, EarlyEnd> parseArguments(const std::vector<std::string>& argv) {
  const std::size_t argc = argv.size();
  Options options;
  options.request.maskText = std::string(kPresetMasks[0]);
  std::optional<std::string> type, mask;
  std::vector<std::string> folders;
  bool onlyFolders = false;
  bool notForMerge = false;
  for (std::size_t i = 1; i < argc; ++i) {
    const std::string& argument = argv[i];
    if (onlyFolders || argument.empty() || argument[0] != '-' || argument == "-") {
      folders.push_back(argument);
      continue;
    }
    if (argument != "--merge" && argument != "--need-dir" && argument != "--") notForMerge = true;
    std::string value;
    if (takesValue(argument)) {
      if (i + 1 >= argc) return usageError(argument + " needs a value");
      value = argv[++i];
    }
    if (argument == "--") {
      onlyFolders = true;
    } else if (argument == "--help" || argument == "-h") {
      return EarlyEnd{ExitStatus::Done, kUsage};
    } else if (argument == "--version") {
      return EarlyEnd{ExitStatus::Done, std::string("pelimor-find ") + kVersion + "\n"};
    } else if (argument == "--no-cache") {
      options.request.useCache = false;
    } else if (argument == "--json") {
      options.json = true;
    } else if (argument == "--similar-pictures") {
      options.pictures = true;
      options.request.mode = SearchMode::SimilarPictures;
    } else if (argument == "--similarity") {
      std::uint64_t step = 0;
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), step);
      if (value.empty() || error != std::errc() || end != value.data() + value.size() || step < 1 ||
          step > kSimilaritySteps.size())
        return usageError("--similarity takes a step from 1 (near copies) to " +
                          std::to_string(kSimilaritySteps.size()) + " (loose), not \"" + value + "\"");
      options.request.pictureDistance = kSimilaritySteps[step - 1].maxDistance;
      options.similarityGiven = true;
    } else if (argument == "--folders") {
      options.folders = options.request.findFolderTwins = true;
    } else if (argument == "--ignore-names") {
      options.request.folderComparison.ignoreNames = true;
    } else if (argument == "--contained-in") {
      options.request.folderComparison.containedIn = true;
    } else if (argument == "--select-in" || argument == "--select-in-tree") {
      using Kind = SelectionStep::Kind;
      options.command.selections.push_back(
          SelectionStep{argument == "--select-in" ? Kind::InFolder : Kind::InTree, value});
    } else if (argument == "--keep") {
      const std::optional<KeepRule> rule = keepRuleNamed(value);
      if (!rule) return usageError("unknown rule \"" + value + "\" for --keep");
      options.command.selections.push_back(SelectionStep{SelectionStep::Kind::Keep, value, {}, *rule});
    } else if (argument == "--select-matching") {
      if (value.empty()) return usageError("--select-matching needs a pattern");
      options.command.selections.push_back(SelectionStep{SelectionStep::Kind::Matching, value});
    } else if (argument == "--exclude") {
      if (value.empty()) return usageError("--exclude needs a pattern");
      options.request.excludedNames.push_back(value);
    } else if (argument == "--hidden") {
      options.request.searchHidden = true;
    } else if (argument == "--reference" || argument == "--unique-in") {
      if (const std::optional<std::string> folder = existingFolder(value); !folder)
        return usageError(argument + " " + plainText(value) + ": not a folder");
      else
        (argument == "--reference" ? options.request.referenceFolders : options.request.uniqueIn).push_back(*folder);
    } else if (const auto action = actionNamed(argument)) {
      if (options.command.action) return usageError("only one of --delete, --move, --trash, --link and --clone");
      options.command.action = action;
    } else if (argument == "--dry-run") {
      options.command.dryRun = true;
    } else if (argument == "--no-journal") {
      options.command.noJournal = true;
    } else if (argument == "--keep-folders") {
      options.command.moveKeepsFolders = true;
    } else if (argument == "--remove-empty-folders") {
      options.command.removeEmptyFolders = true;
    } else if (argument == "--list-actions") {
      options.listActions = true;
    } else if (argument == "--undo") {
      options.undo = true;
    } else if (argument == "--undo-action") {
      std::uint64_t action = 0;
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), action);
      if (value.empty() || error != std::errc() || end != value.data() + value.size() || action == 0)
        return usageError("--undo-action takes an action's number from --list-actions, not \"" + value + "\"");
      options.undo = true;
      options.undoneAction = action;
    } else if (argument == "--load") {
      options.savedSearch = value;
    } else if (argument == "--catalog" || argument == "--digests-for" || argument == "--machine" ||
               argument == "--need-dir") {
      if (value.empty()) return usageError(argument + " needs a value");
      (argument == "--catalog"       ? options.catalogFile
       : argument == "--digests-for" ? options.digestsFor
       : argument == "--machine"     ? options.machine
                                     : options.needDir) = value;
    } else if (argument == "--merge") {
      options.merge = true;
    } else if (argument == "--report") {
      options.reportFile = value;
      if (options.reportFile.empty()) return usageError("--report needs a file name");
    } else if (argument == "--threads") {
      std::uint64_t threads = 0;
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), threads);
      if (value.empty() || error != std::errc() || end != value.data() + value.size() || threads < 1 || threads > 64)
        return usageError("--threads takes a whole number from 1 to 64, not \"" + value + "\"");
      options.request.readThreads = static_cast<unsigned>(threads);
    } else if (argument == "--type") {
      type = value;
    } else if (argument == "--mask") {
      mask = value;
    } else if (argument == "--min-kb") {
      if (!minimumSizeFromKilobytes(value, options.request.minimumSize))
        return usageError("--min-kb takes a whole number of kilobytes, not \"" + value + "\"");
    } else {
      return usageError("unknown option " + argument);
    }
  }
  if (type) {
    const auto preset = presetFor(*type);
    if (!preset) return usageError("unknown type \"" + *type + "\"; use all, images, audio or video");
    options.request.maskText = *preset;
  }
  if (mask) options.request.maskText = *mask;
  const CommandAction& command = options.command;
  if (options.merge || !options.needDir.empty()) {
    if (!options.merge || notForMerge) return usageError("--merge goes alone, with --need-dir and the catalogs");
    if (folders.empty()) return usageError("--merge needs one or more catalogs");
    options.catalogs = folders;
    return options;
  }
  if ((!options.digestsFor.empty() || !options.machine.empty()) && options.catalogFile.empty())
    return usageError("--digests-for and --machine go with --catalog");
  if (!options.catalogFile.empty() && (command.action || options.folders || !options.request.uniqueIn.empty()))
    return usageError("--catalog goes without --folders, --unique-in and actions");
  if (options.undo || options.listActions) {
    if (argc != (options.undoneAction ? 3u : 2u) || (options.undo && options.listActions))
      return usageError("--undo, --undo-action and --list-actions go alone");
    return options;
  }
  if ((command.moveKeepsFolders && command.action != FileAction::Move) ||
      (command.removeEmptyFolders && command.action != FileAction::Move && command.action != FileAction::Delete &&
       command.action != FileAction::Trash))
    return usageError("--keep-folders goes with --move, --remove-empty-folders with --delete, --move or --trash");
  if (command.action && command.selections.empty())
    return usageError("an action needs --select-in or --select-in-tree");
  if (!command.action &&
      (!command.selections.empty() || command.dryRun || command.noJournal || !options.savedSearch.empty()))
    return usageError(
        "--select-in, --keep, --dry-run, --no-journal and --load go with --delete, --move, --trash, --link or --clone");
  if (!options.request.uniqueIn.empty() && (command.action || !options.reportFile.empty()))
    return usageError("--unique-in only lists files: no action, no report");
  const FolderComparison& comparison = options.request.folderComparison;
  if ((comparison.ignoreNames || comparison.containedIn) && !options.folders)
    return usageError("--ignore-names and --contained-in go with --folders");
  if (comparison.ignoreNames && comparison.containedIn)
    return usageError("--contained-in compares content alone: no --ignore-names");
  if (options.folders &&
      (!options.request.uniqueIn.empty() || !options.request.referenceFolders.empty() || !options.savedSearch.empty()))
    return usageError("--folders goes without --unique-in, --reference and --load");
  for (const SelectionStep& step : command.selections)
    if (options.folders && step.kind == SelectionStep::Kind::Keep && step.rule != KeepRule::ShortestPath &&
        step.rule != KeepRule::LongestPath && step.rule != KeepRule::FirstSource)
      return usageError("with --folders, --keep takes shortest-path, longest-path or first-source");
  if (const auto error = findSelectedFolders(options.command.selections)) return EarlyEnd{ExitStatus::BadUsage, *error};
  if (options.similarityGiven && !options.pictures) return usageError("--similarity goes with --similar-pictures");
  if (options.pictures) {
    if (!similarPicturesBuiltIn())
      return EarlyEnd{ExitStatus::BadUsage,
                      "--similar-pictures: this build of pelimor-find has no search for similar pictures "
                      "(it was built without libvips)"};
    if (options.folders || !options.request.uniqueIn.empty() || !options.catalogFile.empty() ||
        !options.savedSearch.empty())
      return usageError("--similar-pictures goes without --folders, --unique-in, --catalog and --load");
    if (command.action == FileAction::Link || command.action == FileAction::Clone)
      return usageError(
          "--link and --clone would give a file another picture's bytes: with --similar-pictures, "
          "use --delete, --move or --trash");
    // Similar pictures are no copies of each other: every file acted on, and the picture kept
    // beside it, are read again and must still give their own checksums.
    options.command.verifyContent = true;
  }
  if (!options.savedSearch.empty()) {
    if (!folders.empty()) return usageError("--load acts on a saved search: no folders to search");
    // Anybody may have edited it: its groups are checked against the files' content.
    options.command.verifyContent = true;
    return options;
  }
  if (folders.empty()) folders.push_back(platform::homeFolder());
  for (const std::string& folder : folders) {
    if (const std::optional<std::string> found = existingFolder(folder))
      options.request.sourceFolders.push_back(*found);
    else
      std::cerr << "pelimor-find: warning: " << plainText(folder) << " is not a folder; skipped\n";
  }
  options.command.sourceFolders = options.request.sourceFolders;
  return options;
}

void printText(const SearchResult& result) {
  std::string out;
  std::uint32_t lastGroup = 0;
  for (const ResultRow& row : result.rows) {
    if (lastGroup != 0 && row.group != lastGroup) out += '\n';
    lastGroup = row.group;
    out += std::to_string(row.group) + '\t' + std::to_string(row.size) + '\t' + crc32Text(row.crc32) + '\t' +
           plainText(row.path) + '\n';
    if (out.size() > (1u << 16)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
}

// Similar pictures: GROUP SIZE WIDTHxHEIGHT DISTANCE CRC32 SAME PATH.
void printPictures(const SearchResult& result) {
  std::string out;
  const std::vector<ResultRow>& rows = result.rows;
  const std::vector<bool> same = byteIdenticalRows(rows);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ResultRow& row = rows[i];
    if (i > 0 && row.group != rows[i - 1].group) out += '\n';
    out += std::to_string(row.group) + '\t' + std::to_string(row.size) + '\t' + std::to_string(row.width) + 'x' +
           std::to_string(row.height) + '\t' + std::to_string(row.distance) + '\t' + crc32Text(row.crc32) + '\t' +
           (same[i] ? "=" : "-") + '\t' + plainText(row.path) + '\n';
    if (out.size() > (1u << 16)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
}

void printJson(const SearchResult& result) {
  const std::string out = savedSearchText(result.rows, result.skipped);
  std::fwrite(out.data(), 1, out.size(), stdout);
}

void printFolderGroups(const std::vector<FolderGroup>& groups, bool json) {
  std::string out = json ? "{\"folders\": [" : "";
  for (const FolderGroup& group : groups) {
    if (json) {
      out += std::string(group.number > 1 ? ",\n  " : "\n  ") + "{\"group\": " + std::to_string(group.number) +
             ", \"bytes\": " + std::to_string(group.bytes) + ", \"files\": " + std::to_string(group.files) +
             ", \"folders\": [";
      for (std::size_t i = 0; i < group.folders.size(); ++i)
        out += std::string(i ? ", " : "") + "{\"path\": " + jsonString(group.folders[i].path) +
               ", \"device\": " + std::to_string(group.folders[i].identity.device) +
               ", \"inode\": " + std::to_string(group.folders[i].identity.inode) + "}";
      out += "]}";
      continue;
    }
    if (group.number > 1) out += '\n';
    for (const TwinFolder& folder : group.folders)
      out += std::to_string(group.number) + '\t' + std::to_string(group.bytes) + '\t' + std::to_string(group.files) +
             '\t' + plainText(folder.path) + '\n';
  }
  if (json) out += groups.empty() ? "]}\n" : "\n]}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
}

void printUnique(const std::vector<UniqueFile>& files, bool json) {
  std::string out = json ? "{\"unique\": [" : "";
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (json)
      out += std::string(i ? ",\n  " : "\n  ") + "{\"path\": " + jsonString(files[i].path) +
             ", \"size\": " + std::to_string(files[i].size) + "}";
    else
      out += plainText(files[i].path) + '\n';
  }
  if (json) out += files.empty() ? "]}\n" : "\n]}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
}

// More than any saved search of a very large collection: a million files take some 300 MB.
constexpr std::uint64_t kLargestSavedSearch = std::uint64_t{1} << 30;

// The bytes of the saved search `file`, which must be a regular file: a pipe or a device would
// block the read or never end. Why it can't be read, if it can't.
std::optional<std::string> readSavedSearch(const std::string& file, std::string& text) {
  platform::InputFile in;
  if (const std::error_code error = in.open(file, platform::InputFile::Access::Read)) {
    const std::string why = error == std::errc::invalid_argument ? "it is not a regular file"
                            : error == std::errc::is_a_directory ? "it is a folder"
                                                                 : platform::systemErrorText(error);
    return "cannot read " + plainText(file) + ": " + why;
  }
  if (in.remaining() > kLargestSavedSearch)
    return "cannot read " + plainText(file) + ": it is larger than 1 GiB, more than a saved search can be";
  text.assign(static_cast<std::size_t>(in.remaining()), '\0');
  if (!in.readExact(text.data(), text.size())) return "cannot read " + plainText(file) + ": it could not be read whole";
  return std::nullopt;
}

// The rows of the saved search `file`; why not, when it cannot be read or is no saved search.
std::optional<std::string> loadSavedSearch(const std::string& file, std::vector<ResultRow>& rows) {
  std::string text;
  if (std::optional<std::string> problem = readSavedSearch(file, text)) return problem;
  try {
    rows = rowsOfSavedSearch(text);
  } catch (const SavedSearchWithoutStrongHash&) {
    return plainText(file) +
           " was saved by an older pelimor-find, without the groups' strong hashes: "
           "search again with --json";
  } catch (const JsonError& error) {
    return plainText(file) + " is no saved search: " + error.what();
  }
  return std::nullopt;
}

std::string progressLine(const SearchProgress& progress) {
  char line[160];
  if (progress.phase() == SearchPhase::Walking) {
    std::snprintf(line, sizeof line, "walking: %llu files seen, %llu candidates",
                  static_cast<unsigned long long>(progress.filesSeen()),
                  static_cast<unsigned long long>(progress.candidates()));
  } else {
    const double toRead = static_cast<double>(progress.bytesToRead());
    std::snprintf(line, sizeof line, "comparing: %.1f of %.1f MB read", static_cast<double>(progress.bytesRead()) / 1e6,
                  toRead / 1e6);
  }
  return line;
}

void warn(const std::string& text) { std::cerr << "pelimor-find: warning: " << text << '\n'; }

// What a search found, acted on or printed.
ExitStatus finishSearch(const Options& options, const SearchResult& result) {
  for (const SkippedFile& folder : result.skippedFolders)
    warn(plainText(folder.path) + " was not searched: " + plainNotice(folder.reason));
  for (const NoticeText& warning : result.warnings) warn(plainNotice(warning));
  if (!result.searchedAnySource) {
    std::cerr << "pelimor-find: no given folder could be searched\n";
    return ExitStatus::NothingSearched;
  }
  for (const SkippedFile& file : result.skipped)
    std::cerr << "pelimor-find: skipped " << plainText(file.path) << ": " << plainNotice(file.reason) << '\n';
  if (options.command.action)
    return runCommandAction(options.command, result.rows, options.folders ? &result.folderGroups : nullptr);
  if (!options.request.uniqueIn.empty()) {
    printUnique(result.uniqueFiles, options.json);
    return ExitStatus::Done;
  }
  if (options.folders)
    printFolderGroups(result.folderGroups, options.json);
  else if (options.pictures && options.json)
    std::fputs(similarPicturesText(result.rows, result.skipped).c_str(), stdout);
  else if (options.pictures)
    printPictures(result);
  else if (options.json)
    printJson(result);
  else
    printText(result);
  if (!options.reportFile.empty()) {
    try {
      writeHtmlReport(options.reportFile, result.rows, nullptr, options.folders ? &result.folderGroups : nullptr);
    } catch (const ReportError& error) {
      std::cerr << "pelimor-find: cannot write the report " << plainText(options.reportFile) << ": "
                << plainNotice(error.what()) << '\n';
      return ExitStatus::SomeRefused;
    }
  }
  return ExitStatus::Done;
}

ExitStatus failWith(const std::string& message) {
  std::cerr << "pelimor-find: " << message << '\n';
  return ExitStatus::BadUsage;
}

// The groups across the catalogs, and per machine the files whose digests are still needed.
ExitStatus runMerge(const Options& options) {
  std::vector<Catalog> catalogs(options.catalogs.size());
  for (std::size_t i = 0; i < catalogs.size(); ++i)
    if (const std::optional<std::string> problem = loadCatalog(options.catalogs[i], catalogs[i]))
      return failWith(*problem);
  const CatalogMerge merge = mergeCatalogs(std::move(catalogs));
  std::string out;
  for (std::size_t i = 0; i < merge.rows.size(); ++i) {
    const MergedFile& row = merge.rows[i];
    if (i > 0 && row.group != merge.rows[i - 1].group) out += '\n';
    out += std::to_string(row.group) + '\t' + std::to_string(row.size) + '\t' + crc32Text(row.crc32) + '\t' +
           plainText(row.machine) + '\t' + plainText(row.path) + '\n';
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  ExitStatus status = ExitStatus::Done;
  for (const auto& [machine, files] : merge.needed) {
    const std::string count = std::to_string(files.size()) + (files.size() == 1 ? " file on " : " files on ") +
                              plainText(machine) +
                              (files.size() == 1 ? " still needs its digest" : " still need their digests");
    if (options.needDir.empty()) {
      std::cerr << "pelimor-find: " << count << " (--need-dir DIR lists them)\n";
      continue;
    }
    const std::string list = options.needDir + "/" + machineFileName(machine) + ".list";
    CatalogWriter writer(list,
                         CatalogHeader{machine, platform::localTimeText(platform::wallClockNanoseconds()), {}, "", 0});
    for (const CatalogFile& file : files) writer.add(file);
    if (const std::optional<std::string> problem = writer.close()) {
      std::cerr << "pelimor-find: " << *problem << '\n';
      status = ExitStatus::SomeRefused;
    } else {
      std::cerr << "pelimor-find: " << count << ": " << plainText(list) << '\n';
    }
  }
  return status;
}

// What --catalog asks of a search: the files LIST names are read too, and every file is written.
struct CatalogRun {
  CatalogRequest request;
  std::optional<CatalogWriter> writer;
  std::string listFile;
  std::vector<bool> digestRead;  // per file of request.readWhole
  std::size_t files = 0, withDigest = 0;
};

// Sets `run` up for the options' catalog; why not, when the list can't be used or the file not made.
std::optional<std::string> startCatalog(const Options& options, CatalogRun& run) {
  const std::string machine = options.machine.empty() ? platform::machineName() : options.machine;
  if (machine.empty()) return "this machine has no host name: give it one with --machine NAME";
  if (!options.digestsFor.empty()) {
    Catalog list;
    if (std::optional<std::string> problem = loadCatalog(options.digestsFor, list)) return problem;
    if (list.header.machine != machine)
      return plainText(options.digestsFor) + " lists files of " + plainText(list.header.machine) + ", not of " +
             plainText(machine) + " (--machine names this one)";
    for (const CatalogFile& file : list.files) run.request.readWhole.push_back(file.identity);
    std::sort(run.request.readWhole.begin(), run.request.readWhole.end(), identityBefore);
    run.digestRead.assign(run.request.readWhole.size(), false);
    run.listFile = options.digestsFor;
  }
  const SearchRequest& search = options.request;
  run.writer.emplace(options.catalogFile,
                     CatalogHeader{machine, platform::localTimeText(platform::wallClockNanoseconds()),
                                   search.sourceFolders, search.maskText, search.minimumSize});
  if (run.writer->failed()) return run.writer->close();
  run.request.write = [&run](const CatalogFile& file) {
    run.writer->add(file);
    ++run.files;
    if (!file.contentKnown) return;
    ++run.withDigest;
    const std::vector<FileIdentity>& asked = run.request.readWhole;
    const auto found = std::lower_bound(asked.begin(), asked.end(), file.identity, identityBefore);
    if (found != asked.end() && *found == file.identity)
      run.digestRead[static_cast<std::size_t>(found - asked.begin())] = true;
  };
  return std::nullopt;
}

// Puts the catalog in place and tells what it holds, and what of the list could not be read.
ExitStatus finishCatalog(const Options& options, CatalogRun& run) {
  if (const std::optional<std::string> problem = run.writer->close()) {
    std::cerr << "pelimor-find: " << *problem << '\n';
    return ExitStatus::SomeRefused;
  }
  std::cerr << "pelimor-find: catalog " << plainText(options.catalogFile) << ": files: " << run.files
            << ", with a digest: " << run.withDigest << '\n';
  const auto missing = static_cast<std::size_t>(std::count(run.digestRead.begin(), run.digestRead.end(), false));
  if (missing > 0)
    warn(std::to_string(missing) + " files of " + plainText(run.listFile) +
         " were not found as the list saw them (gone or changed): merge again to see what is still needed");
  return ExitStatus::Done;
}

ExitStatus run(const std::vector<std::string>& arguments) {
  std::variant<Options, EarlyEnd> parsed = parseArguments(arguments);
  if (const EarlyEnd* end = std::get_if<EarlyEnd>(&parsed)) {
    if (end->status != ExitStatus::Done) return failWith(end->text);
    std::cout << end->text;
    return ExitStatus::Done;
  }
  const Options& options = std::get<Options>(parsed);
  if (options.listActions) return listActions();
  if (options.undo) return undoFromCommandLine(options.undoneAction);
  if (options.merge) return runMerge(options);
  // Before the search, which may take long: an action without a record is refused.
  if (options.command.action) {
    ActionJournal journal(defaultJournalPath());
    if (const std::optional<std::string> refusal = openJournalFor(options.command, journal)) {
      std::cerr << "pelimor-find: " << *refusal << '\n';
      return ExitStatus::JournalUnusable;
    }
  }
  if (!options.savedSearch.empty()) {
    std::vector<ResultRow> rows;
    if (std::optional<std::string> problem = loadSavedSearch(options.savedSearch, rows)) return failWith(*problem);
    return runCommandAction(options.command, rows);
  }
  if (options.request.sourceFolders.empty()) {
    std::cerr << "pelimor-find: no given folder could be searched\n";
    return ExitStatus::NothingSearched;
  }

  SearchRequest request = options.request;
  CatalogRun catalog;
  if (!options.catalogFile.empty()) {
    if (const std::optional<std::string> problem = startCatalog(options, catalog)) return failWith(*problem);
    request.catalog = &catalog.request;
  }

  SearchControl control;
  SearchProgress progress;
  activeControl = &control;
  std::signal(SIGINT, onInterrupt);
  std::signal(SIGTERM, onInterrupt);

  std::atomic<bool> finished{false};
  std::thread reporter;
  if (platform::standardErrorIsTerminal()) {
    reporter = std::thread([&] {
      while (!finished.load()) {
        std::fprintf(stderr, "\r\033[K%s", progressLine(progress).c_str());
        for (int i = 0; i < 4 && !finished.load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      std::fprintf(stderr, "\r\033[K");
    });
  }

  const SearchResult result = runDuplicateSearch(request, progress, control);
  finished.store(true);
  if (reporter.joinable()) reporter.join();
  activeControl = nullptr;

  if (interrupted.load()) {
    std::cerr << "pelimor-find: interrupted\n";
    return ExitStatus::Interrupted;
  }
  ExitStatus status = finishSearch(options, result);
  if (catalog.writer && status != ExitStatus::NothingSearched) {
    const ExitStatus written = finishCatalog(options, catalog);
    if (status == ExitStatus::Done) status = written;
  }
  // The checksum cache is saved while the result is printed; the program waits for it anyway.
  if (result.cacheWriting)
    for (const NoticeText& warning : result.cacheWriting->warnings()) warn(plainNotice(warning));
  return status;
}

}  // namespace

int main(int argc, char** argv) { return exitCode(run(platform::startCommandLine(argc, argv))); }
