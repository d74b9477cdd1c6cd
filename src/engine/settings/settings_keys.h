#pragma once

namespace trackfold {

// Every key of the settings file, in its one section. The names are the file's own, kept as
// earlier versions wrote them ("UnknowFolder" included), since users' files hold them.
namespace settings_key {
inline constexpr const char* kSection = "SYSTEM";
inline constexpr const char* kInputFolder = "InputFolder";
inline constexpr const char* kOutputFolder = "OutputFolder";
inline constexpr const char* kAlbumFolder = "AlbumFolder";
inline constexpr const char* kArtistFolder = "ArtistFolder";
inline constexpr const char* kUnknownFolder = "UnknowFolder";
inline constexpr const char* kFileTypes = "FileTypes";
inline constexpr const char* kUseAlbumArtist = "UseAlbumArtist";
inline constexpr const char* kTagCodePage = "TagCodePage";
inline constexpr const char* kMode = "Mode";
inline constexpr const char* kLayout = "Layout";
inline constexpr const char* kDiscFolders = "DiscFolders";
// Glob patterns of file and folder names the walk leaves out, separated by ';'.
inline constexpr const char* kIgnore = "Ignore";
// 0: a folder's covers, cue sheets and booklets stay where they are.
inline constexpr const char* kCompanions = "Companions";
// The main window's size and place, as Qt saves them (base64).
inline constexpr const char* kWindowGeometry = "WindowGeometry";
}  // namespace settings_key

}  // namespace trackfold
