#pragma once
// The image-set catalogue: included and excluded sets, each list in insertion
// order and keyed by set name without regard to case. A set name stands in at
// most one of the two lists. Sets are shared objects: the lists hold the same
// SetInfoClass that GetSet hands out, so a set moves between them unchanged.
#include <memory>
#include <string>
#include <vector>

#include "core/SetInfoClass.h"
#include "platform/keyedlist.h"

namespace orvane::core {

class SetsClass {
 public:
  using SetList = platform::KeyedList<std::shared_ptr<SetInfoClass>>;

  SetList& IncludedCollection() { return included_; }
  const SetList& IncludedCollection() const { return included_; }
  SetList& ExcludedCollection() { return excluded_; }
  const SetList& ExcludedCollection() const { return excluded_; }

  // Moves the set to the included (excluded) list under its SetName, taking it
  // out of the other list when it is there. When the target list already holds
  // the name (a catalogue file with the key twice), the first entry stays. A null
  // set is ignored.
  void IncludeSet(const std::shared_ptr<SetInfoClass>& set);
  void ExcludeSet(const std::shared_ptr<SetInfoClass>& set);

  // names becomes the SetNames in list order when the list is not empty; an
  // empty list leaves names as it was. Returns the number of sets in the list.
  int GetIncludedSetNames(std::vector<std::string>& names) const;
  int GetExcludedSetNames(std::vector<std::string>& names) const;

  // The set keyed by setName, included ones first, compared as the lists
  // compare their keys (without regard to case); nullptr when there is none.
  std::shared_ptr<SetInfoClass> GetSet(const std::string& setName) const;

 private:
  static int GetNames(const SetList& sets, std::vector<std::string>& names);
  std::shared_ptr<SetInfoClass> FindSet(const std::string& setName) const;

  SetList included_;
  SetList excluded_;
};

}  // namespace orvane::core
