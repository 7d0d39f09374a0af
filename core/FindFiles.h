#pragma once
// Searches a folder tree for files of one name pattern ("images.ini" below the
// program folder). Depth first, post-order: the matches of a folder come after
// the matches of all its subfolders; siblings in byte order of their names.
// Results accumulate over the object's life. Hidden entries (a leading ".") are
// passed over; symbolic links to folders are followed, and a folder reached a
// second time (through a link or a bind mount, or a link loop) is not searched
// again. A folder that cannot be read, or vanishes during the search, counts as
// empty.
#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace orvane::core {

class FindFiles {
 public:
  // pumpEvents runs after the first directory entry and then, after entries
  // and matches, at most every 10 ms, so the windows stay alive during a long
  // search; by default platform::DoEvents.
  FindFiles();
  explicit FindFiles(std::function<void()> pumpEvents);

  const std::string& StartPath() const { return startPath_; }
  void StartPath(std::string path) { startPath_ = std::move(path); }
  const std::string& Pattern() const { return pattern_; }
  void Pattern(std::string pattern) { pattern_ = std::move(pattern); }

  // Runs the search from StartPath and appends its matches to the results kept
  // from earlier calls. False, with files untouched, while the results are
  // empty; else files becomes a copy of all results in order. A call made by an
  // event handler while a search of this object is under way returns false at
  // once and leaves files alone.
  bool Find(std::vector<std::string>& files);

  // Wildcard match with "*" and "?", without regard to case; "*.*" matches
  // every name, as on the file system the sets come from.
  static bool MatchesPattern(const std::string& name, const std::string& pattern);

 private:
  using FolderId = std::pair<unsigned long, unsigned long>;  // device, inode

  void SearchFolder(std::string folder, const std::string& pattern, std::set<FolderId>& searched);

  void PumpEvents();

  std::function<void()> pumpEvents_;
  bool pumped_ = false;
  std::chrono::steady_clock::time_point lastPump_;
  std::vector<std::string> results_;
  std::string startPath_;
  std::string pattern_;
  bool searching_ = false;
};

}  // namespace orvane::core
