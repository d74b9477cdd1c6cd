#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace trackfold {

// The longest name common Linux disks take, in bytes.
inline constexpr std::size_t kDefaultNameMax = 255;

// What a disk refuses in the names of files, as far as the names are concerned.
struct NameRules {
    bool refuses_reserved_names = false;  // FAT, exFAT, NTFS: no : * ? " < > | \ in names
    bool refuses_invalid_utf8 = false;    // exFAT: names must be valid UTF-8
};

// Turns one tag text into exactly one folder name that is valid on every disk a collection
// may be copied to (FAT players, Windows), cannot climb out of its parent and does not merely
// look like another: the text is put in Unicode's NFC, invisible characters (bidirectional
// controls, zero-width space, byte-order mark) are left out, the reserved characters
// \ / : * ? " < > |, the C0 controls, DEL and the C1 controls become "_", a name Windows keeps
// for a device (CON, nul.txt, COM1...) gets "_" after that part, the name is cut to max_bytes
// at a character boundary, and trailing dots and spaces (which also covers "." and "..")
// become "_", as does a leading dot, which would hide the folder. Nothing left gives "_". Other
// texts are kept exactly.
std::string safe_folder_name(std::string_view tag_text, std::size_t max_bytes = kDefaultNameMax);

// The name a source file takes on a disk: its own, except where the disk refuses it. A disk
// that refuses bytes that are no UTF-8 (exFAT) gets them read as 8-bit tag texts are; one that
// refuses the reserved characters (FAT, exFAT, NTFS) gets the folder-name rule, uncut, except
// that a leading dot stays: the source's own name was hidden already.
std::string target_file_name(std::string_view name, NameRules disk);

// The name of the n-th file of one target: "name.mp3" for n = 1, "name (2).mp3" for n = 2, its
// stem cut at a character boundary so that the whole fits in max_bytes, extension and number kept.
std::string numbered_file_name(std::string_view name, int n,
                               std::size_t max_bytes = kDefaultNameMax);

}  // namespace trackfold
