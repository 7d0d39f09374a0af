#include "core/SetsClass.h"

namespace orvane::core {

void SetsClass::IncludeSet(const std::shared_ptr<SetInfoClass>& set) {
  if (!set) return;
  excluded_.Remove(set->SetName());
  included_.Add(set, set->SetName());
}

void SetsClass::ExcludeSet(const std::shared_ptr<SetInfoClass>& set) {
  if (!set) return;
  included_.Remove(set->SetName());
  excluded_.Add(set, set->SetName());
}

int SetsClass::GetNames(const SetList& sets, std::vector<std::string>& names) {
  if (sets.Count() > 0) {
    names.clear();
    for (const auto& set : sets) names.push_back(set->SetName());
  }
  return static_cast<int>(sets.Count());
}

int SetsClass::GetIncludedSetNames(std::vector<std::string>& names) const {
  return GetNames(included_, names);
}

int SetsClass::GetExcludedSetNames(std::vector<std::string>& names) const {
  return GetNames(excluded_, names);
}

std::shared_ptr<SetInfoClass> SetsClass::GetSet(const std::string& setName) const {
  return FindSet(setName);
}

std::shared_ptr<SetInfoClass> SetsClass::FindSet(const std::string& setName) const {
  // By key, as the lists hold their sets: names that differ only in case (in
  // windows-1252) are one set, as they are one key of the catalogue file.
  for (const SetList* list : {&included_, &excluded_})
    if (const auto* set = list->Find(setName); set && *set) return *set;
  return nullptr;
}

}  // namespace orvane::core
