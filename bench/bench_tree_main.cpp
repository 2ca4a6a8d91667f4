// pelimor-bench-tree: makes the benchmark trees and pulls them into the page cache.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "bench/tree_generator.h"

namespace {

using namespace pelimor::bench;

constexpr const char* kUsage =
    "Usage:\n"
    "  pelimor-bench-tree make [--seed N] [--jobs N] [--force] PRESET DIR\n"
    "      Makes the tree of PRESET in DIR (kept when DIR.info says it is that tree already;\n"
    "      --force makes it again) and prints its summary.\n"
    "  pelimor-bench-tree plan [--seed N] PRESET\n"
    "      Prints the summary of the tree without writing it.\n"
    "  pelimor-bench-tree warm [--jobs N] DIR...\n"
    "      Reads every folder and file below DIR once, so they sit in the page cache.\n"
    "  pelimor-bench-tree presets\n"
    "      Lists the presets.\n";

[[noreturn]] void usageError(const std::string& message) {
  std::cerr << "pelimor-bench-tree: " << message << "\n" << kUsage;
  std::exit(2);
}

unsigned defaultJobs() { return std::max(1u, std::min(2u, std::thread::hardware_concurrency())); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) usageError("no command");
  const std::string command = argv[1];
  std::uint64_t seed = kDefaultSeed;
  unsigned jobs = defaultJobs();
  bool force = false;
  std::vector<std::string> operands;
  for (int i = 2; i < argc; ++i) {
    const std::string argument = argv[i];
    const auto value = [&]() -> std::string {
      if (i + 1 >= argc) usageError(argument + " needs a value");
      return argv[++i];
    };
    try {
      if (argument == "--seed")
        seed = std::stoull(value());
      else if (argument == "--jobs")
        jobs = static_cast<unsigned>(std::stoul(value()));
      else if (argument == "--force")
        force = true;
      else if (argument.size() > 1 && argument[0] == '-')
        usageError("unknown option " + argument);
      else
        operands.push_back(argument);
    } catch (const std::logic_error&) {
      usageError("bad number after " + argument);
    }
  }

  try {
    if (command == "presets") {
      for (const PresetInfo& preset : presets()) std::cout << preset.name << "\t" << preset.description << "\n";
      return 0;
    }
    if (command == "plan") {
      if (operands.size() != 1 || !isPreset(operands[0])) usageError("plan takes one preset");
      std::cout << planTree(operands[0], seed).describe();
      return 0;
    }
    if (command == "make") {
      if (operands.size() != 2 || !isPreset(operands[0])) usageError("make takes a preset and a folder");
      const auto start = std::chrono::steady_clock::now();
      if (force) {
        TreeSummary old;
        if (readTreeMarker(operands[1], old)) std::remove((operands[1] + ".info").c_str());
      }
      const TreeSummary summary = ensureTree(operands[0], seed, operands[1], jobs, true);
      std::cout << summary.describe();
      std::cerr << operands[0] << " tree ready in "
                << std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() << " s\n";
      return 0;
    }
    if (command == "warm") {
      if (operands.empty()) usageError("warm takes at least one folder");
      const WarmSummary summary = warmTree(operands, jobs);
      std::cerr << "warm: " << summary.folders << " folders, " << summary.files << " files, " << summary.bytes
                << " bytes read\n";
      return 0;
    }
  } catch (const std::exception& error) {
    std::cerr << "pelimor-bench-tree: " << error.what() << "\n";
    return 1;
  }
  usageError("unknown command " + command);
}
