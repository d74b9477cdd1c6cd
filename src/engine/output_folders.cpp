#include "engine/output_folders.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "util/case_fold.h"

namespace fs = std::filesystem;

namespace trackfold {

void OutputFolders::ensure(const std::string& folder, std::error_code& ec) {
    ec.clear();
    if (ensured_.contains(folder)) {
        return;
    }
    fs::create_directories(folder, ec);
    if (!ec) {
        ensured_.insert(folder);
    }
}

OutputFolders::Listing& OutputFolders::listing_of(const std::string& parent) {
    // Asked twice for every file: the normal form of a parent text is worked out only once.
    if (const auto known = by_text_.find(parent); known != by_text_.end()) {
        return *known->second;
    }
    const std::string key = fs::path(parent).lexically_normal().string();
    auto [it, inserted] = listings_.try_emplace(key);
    by_text_.emplace(parent, &it->second);
    if (!inserted) {
        return it->second;
    }
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator entries(parent, ec), end; !ec && entries != end;
         entries.increment(ec)) {
        std::error_code type_ec;
        if (entries->is_directory(type_ec)) {
            names.push_back(entries->path().filename().string());
        }
    }
    // Byte order, so that of two folders differing only in case the same one wins every run.
    std::sort(names.begin(), names.end());
    for (const auto& name : names) {
        it->second.exact.insert(name);
        it->second.by_folded.try_emplace(fold_case(name), name);
    }
    return it->second;
}

std::string OutputFolders::ensure_child(const std::string& parent, const std::string& name,
                                        std::error_code& ec) {
    ec.clear();
    Listing& listing = listing_of(parent);
    if (listing.exact.contains(name)) {
        return parent + name;
    }
    const std::string folded = fold_case(name);
    if (auto found = listing.by_folded.find(folded); found != listing.by_folded.end()) {
        return parent + found->second;
    }
    fs::create_directory(parent + name, ec);
    if (ec) {
        return parent + name;
    }
    listing.exact.insert(name);
    listing.by_folded.try_emplace(folded, name);
    return parent + name;
}

}  // namespace trackfold
