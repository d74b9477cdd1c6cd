#include "engine/fsio/path.h"

#include <filesystem>

#include "util/text.h"

namespace trackfold {

bool is_inside(std::string_view path, std::string_view folder) {
    if (folder.size() > 1 && folder.ends_with('/')) {
        folder.remove_suffix(1);
    }
    return path.starts_with(folder) &&
           (path.size() == folder.size() || path[folder.size()] == '/' || folder == "/");
}

bool is_plain_relative(std::string_view path) {
    if (path.empty() || path.front() == '/') {
        return false;
    }
    for (const std::string_view part : split_at(path, '/')) {
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
    }
    return true;
}

std::optional<std::string> relative_below(std::string_view path, std::string_view folder) {
    if (folder.empty() || !path.starts_with(folder)) {
        return std::nullopt;
    }
    path.remove_prefix(folder.size());
    if (folder.back() != '/') {
        if (!path.starts_with('/')) {
            return std::nullopt;
        }
        path.remove_prefix(1);
    }
    return is_plain_relative(path) ? std::optional<std::string>(path) : std::nullopt;
}

std::string parent_folder(std::string_view path) {
    if (path.size() > 1 && path.ends_with('/')) {
        path.remove_suffix(1);
    }
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string last_name(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string join_path(std::string_view folder, std::string_view name) {
    std::string joined(folder);
    if (!joined.empty() && !joined.ends_with('/')) {
        joined += '/';
    }
    return joined.append(name);
}

std::string relative_to_output(std::string_view output, std::string_view folder) {
    std::string_view rest = folder;
    if (rest.starts_with(output)) {
        rest.remove_prefix(output.size());
    }
    std::string relative;
    for (const char c : rest) {
        if (c != '/' || (!relative.empty() && relative.back() != '/')) {
            relative += c;
        }
    }
    while (!relative.empty() && relative.back() == '/') {
        relative.pop_back();
    }
    if (relative.find("./") != std::string::npos || relative == "." || relative.ends_with("/.") ||
        relative.ends_with("/..") || relative == "..") {
        relative = std::filesystem::path(relative).lexically_normal().string();
    }
    return relative;
}

}  // namespace trackfold
