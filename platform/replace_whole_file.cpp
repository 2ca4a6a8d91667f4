#include <random>

#include "platform/file_operations.h"
#include "platform/system_version.h"

namespace pelimor::platform {

std::error_code replaceWholeFile(const std::string& folder, const std::string& name,
                                 const std::vector<std::string_view>& pieces) {
  return replaceWholeFile(folder, name, [&](OutputFile& file) {
    std::error_code error;
    for (const std::string_view piece : pieces)
      if (!error) error = file.write(piece);
    return error;
  });
}

std::error_code replaceWholeFile(const std::string& folder, const std::string& name,
                                 const std::function<std::error_code(OutputFile&)>& write) {
  FolderHandle place;
  if (const std::error_code error = place.open(folder)) return error;
  // A name of its own per writer, so that two writers never write into one file.
  const std::string newName =
      name + ".new-" + std::to_string(processId()) + "-" + std::to_string(std::random_device()());
  OutputFile file;
  if (const std::error_code error = file.createNewIn(place, newName)) return error;
  std::error_code error = write(file);
  if (const std::error_code closeError = file.close(); !error) error = closeError;
  if (!error) error = place.renameReplacing(newName, name);
  if (error) place.removeFile(newName);
  return error;
}

}  // namespace pelimor::platform
