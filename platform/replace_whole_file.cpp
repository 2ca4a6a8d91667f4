#include <random>

#include "platform/file_operations.h"
#include "platform/system_version.h"

namespace pelimor::platform {

int replaceWholeFile(const std::string& folder, const std::string& name, const std::vector<std::string_view>& pieces) {
  FolderHandle place;
  if (const int error = place.open(folder); error != 0) return error;
  // A name of its own per writer, so that two writers never write into one file.
  const std::string newName =
      name + ".new-" + std::to_string(processId()) + "-" + std::to_string(std::random_device()());
  OutputFile file;
  if (const int error = file.createNewIn(place, newName); error != 0) return error;
  int error = 0;
  for (const std::string_view piece : pieces)
    if (error == 0) error = file.write(piece);
  if (const int closeError = file.close(); error == 0) error = closeError;
  if (error == 0) error = place.renameReplacing(newName, name);
  if (error != 0) place.removeFile(newName);
  return error;
}

}  // namespace pelimor::platform
