#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace trackfold::bench {

struct Collection {
    std::size_t mp3_files = 0;     // names ending in ".mp3" in any case: what a run takes
    std::size_t broken_files = 0;  // among them, files the tag reader cannot open
    std::size_t other_files = 0;
    std::size_t folders = 0;
    std::uintmax_t mp3_bytes = 0;
    std::uintmax_t all_bytes = 0;
    std::map<std::string, std::size_t> mix;  // MP3 files per kind of tag
};

// A synthetic collection as people keep them: genre/artist/album folders (some albums split
// into CD folders), a rips folder of untagged files, the same mix of tag kinds every time.
// Always the same tree for the same count and size.
Collection make_collection(const std::filesystem::path& root, std::size_t mp3_count,
                           std::size_t average_kb);

}  // namespace trackfold::bench
