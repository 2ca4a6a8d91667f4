// Twin folders chosen by hand, as in the Folders tab, on a real tree: the files below them are
// selected, never every twin of a group.
#include "results/folder_selection.h"

#include <gtest/gtest.h>

#include <set>

#include "search/duplicate_search.h"
#include "support/temp_tree.h"

namespace pelimor {
namespace {

using Paths = std::set<std::string>;

// photos and backups are twins, and photos/2020/trip, backups/2020/trip and old/trip a group of
// three inside (photos/2020 and backups/2020 are not listed: their pair says it).
TEST(SelectFilesOfTwins, NeverEveryTwinOfAGroup) {
  testing::TempTree tree;
  for (const std::string twin : {"photos", "backups"}) tree.file(twin + "/a.jpg", "aaaa");
  for (const std::string trip : {"photos/2020/trip", "backups/2020/trip", "old/trip"}) tree.file(trip + "/t.jpg", "tt");
  tree.file("old/notes.txt", "only here");  // else old would be a twin of photos/2020
  SearchRequest request;
  request.sourceFolders = {tree.root()};
  request.excludedTrees = {};
  request.useCache = false;
  request.findFolderTwins = true;
  SearchProgress progress;
  const SearchResult search = runDuplicateSearch(request, progress, SearchControl{});
  const std::vector<ResultRow> twins = twinRows(search.folderGroups);
  const auto relative = [&](const std::string& path) { return path.substr(tree.root().size() + 1); };
  const struct {
    Paths chosen;
    Paths selected;
  } cases[] = {
      // Both twins: the one listed last stays whole, trip and all.
      {{"backups", "photos"}, {"backups/a.jpg", "backups/2020/trip/t.jpg"}},
      // backups/2020/trip goes with backups, so photos/2020/trip is the last whole twin of its group.
      {{"backups", "old/trip", "photos/2020/trip"}, {"backups/a.jpg", "backups/2020/trip/t.jpg", "old/trip/t.jpg"}},
      // Taking backups/2020/trip would take from backups too, the last whole twin of its group.
      {{"photos", "backups/2020/trip", "old/trip"}, {"photos/a.jpg", "photos/2020/trip/t.jpg", "old/trip/t.jpg"}},
      {{"old/trip", "photos/2020/trip"}, {"old/trip/t.jpg", "photos/2020/trip/t.jpg"}},
  };
  for (const auto& c : cases) {
    std::vector<bool> chosen(twins.size());
    for (std::size_t i = 0; i < twins.size(); ++i) chosen[i] = c.chosen.contains(relative(twins[i].path));
    std::vector<bool> selected(search.rows.size(), false);
    selectFilesOfTwins(search.rows, selected, twins, chosen);
    Paths got;
    for (std::size_t i = 0; i < selected.size(); ++i)
      if (selected[i]) got.insert(relative(search.rows[i].path));
    EXPECT_EQ(got, c.selected) << *c.chosen.begin();
  }
}

}  // namespace
}  // namespace pelimor
