#pragma once
// The slide lists of the show: the images of one set led by its title page, or
// the images of every included set, read from the catalogue file ("Orvane.ini").
//
// An entry is the image path & NUL & the image key. The image path is the set
// folder relative to the program folder followed by the image's file name, both
// exactly as the catalogue stores them: a folder such as "Sea\" keeps its "\"
// here, and the conversion to a path on disk happens when the file is opened.
// The title page's key is "NULL". Sets and images keep the catalogue's order.
#include <string>
#include <vector>

#include "core/clsImageList.h"

namespace orvane::saver {

inline constexpr const char* kTitlePageKey = "NULL";

// A key list as the ini layer returns it (each name followed by NUL) as its
// names, up to the first empty one.
std::vector<std::string> KeyListToArray(const std::string& list);

// The entry text for an image: imagePath & NUL & key.
std::string MakeEntry(const std::string& imagePath, const std::string& key);

struct SlideListResult {
  std::vector<std::string> entries;
  std::string TitleFile;  // the set's title page file; empty when none
  int TitleTime = 0;      // seconds the title page stays; the image delay without one
};

// The one-set list of currentSet. Its title page comes first when the set's
// company.ini (programFolder & set folder & "company.ini") names one that is not
// switched off. A set chosen by name plays even when it is marked excluded (its
// images are listed under its folder without the mark). An empty set name gives
// an empty list.
SlideListResult BuildSetList(const std::string& catalogueFile, const std::string& programFolder,
                             const std::string& currentSet, int imageDelay);

// The images of every set not marked excluded, without title pages (TitleTime is
// the image delay). The caller seeds the random generator for the picks.
SlideListResult BuildAllSetsList(const std::string& catalogueFile, int imageDelay);

// Appends the entries to a play list.
void AppendTo(const SlideListResult& list, core::clsImageList& slideList);

}  // namespace orvane::saver
