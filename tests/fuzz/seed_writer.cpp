// Writes the settings readers' seed files with the program's own writers:
//   pelimor-fuzz-seeds OUTPUT_FOLDER  ->  OUTPUT_FOLDER/options_file/*, OUTPUT_FOLDER/source_list/*
// The files in tests/fuzz/corpus came from it; run it again when a settings file changes.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "settings/options_file.h"
#include "settings/source_list_file.h"

using namespace pelimor;
namespace fs = std::filesystem;

namespace {

void keep(const fuzzing::FuzzFolder& data, const std::string& file, const fs::path& folder, const std::string& name) {
  fs::create_directories(folder);
  fs::copy_file(data.path(file), folder / name, fs::copy_options::overwrite_existing);
}

void optionsSeeds(const fs::path& out) {
  const fuzzing::FuzzFolder data;
  const std::string file(kOptionsFileName);
  const WindowRect designed{120, 80, 800, 600};
  OptionsRecord options;
  loadOptions(options, data.folder(), designed);  // no file yet: the defaults
  keep(data, file, out, "defaults");

  options.setMaskText("*.jpg; *.png");
  options.setCustomMask("*.raw; *.cr2; *.nef;");
  options.setPathText("/home/user/Pictures");
  options.setSizeIndex(2);
  options.setTypeIndex(-1);
  saveOptions(options, data.folder(), WindowPlacement{WindowState::Maximized, {-8, -8, 1936, 1056}});
  keep(data, file, out, "maximized-custom-mask");

  options.setCustomMask(std::string(600, 'x'));  // kept to the field's 511 characters
  saveOptions(options, data.folder(), WindowPlacement{WindowState::Minimized, {2000, 40, 640, 480}});
  keep(data, file, out, "minimized-long-mask");

  options.setVersion(299);  // another version: replaced by the defaults when read
  saveOptions(options, data.folder(), WindowPlacement{});
  keep(data, file, out, "other-version");
}

void sourceSeeds(const fs::path& out) {
  const fuzzing::FuzzFolder data;
  const std::string file(kSourceFileName);
  const std::vector<std::pair<std::string, std::vector<std::string>>> lists = {
      {"empty", {}},
      {"one-folder", {"/home/user"}},
      {"several", {"/", "/home/user/Pictures", "/mnt/backup disk/2019", ""}},
      {"bytes-of-any-kind", {"/srv/caf\xe9", "/tmp/\xff\xfe\n\t", "C:\\Users\\me"}},
  };
  for (const auto& [name, rows] : lists) {
    saveSourceList(data.folder(), rows);
    keep(data, file, out, name);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: pelimor-fuzz-seeds OUTPUT_FOLDER\n";
    return 2;
  }
  const fs::path out(argv[1]);
  optionsSeeds(out / "options_file");
  sourceSeeds(out / "source_list");
  return 0;
}
