#pragma once

#include <string>
#include <string_view>

namespace trackfold {

// A disc or track tag, "2" or "2/3": 0 where it says nothing, or nothing believable.
struct SetNumber {
    int number = 0;
    int total = 0;
};
SetNumber parse_set_number(std::string_view text);

// The disc a folder's name says, as "CD2", "cd 2", "Disc 02" or "Disk 2" do; 0 for any other.
int disc_of_folder_name(std::string_view name);

// What tells whether a file goes into a "Disc N" folder of its album.
struct DiscFacts {
    SetNumber tag;             // the file's disc tag
    bool set_differs = false;  // its album's files in its source folder have other disc numbers
    int folder_disc = 0;       // disc_of_folder_name of its source folder
};

// The disc folder's number, or 0 for none: a tag of disc N of a set of more than one, a disc
// from 2 on, or disc 1 where the album's other files are of other discs or its folder's name
// says disc 1. A folder's name alone, without a disc tag, never counts: "CD2" is also what
// people call their second burnt disc of anything.
int disc_folder(const DiscFacts& facts);

// The year a date tag begins with, "1979" of "1979-11-30"; else the tag as it is.
std::string year_of(std::string_view date);

}  // namespace trackfold
