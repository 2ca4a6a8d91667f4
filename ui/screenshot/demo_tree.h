#pragma once
// A small, believable folder tree with some duplicated files, for the screenshot.
#include <QString>

namespace pelimor::demo {

// Makes the tree under `root` (emptied first). Returns false when a file can't be written.
bool makeDemoTree(const QString& root);

}  // namespace pelimor::demo
