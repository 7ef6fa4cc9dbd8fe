#include "viewers/viewing_area.h"

#include <random>
#include <stdexcept>
#include <system_error>

namespace kelvane {
namespace {

namespace fs = std::filesystem;

constexpr int kFolderAttempts = 100;

// Anything at the path, a dangling link included.
bool taken(const fs::path& path) {
    std::error_code error;
    return fs::symlink_status(path, error).type() != fs::file_type::not_found;
}

fs::path joined(const std::string& directory, const std::vector<std::string>& components) {
    fs::path path = fs::path(directory);
    for (const std::string& component : components) path /= fs::path(component);
    return path;
}

}  // namespace

ViewingArea::ViewingArea(std::string workDirectory) : workDirectory_(std::move(workDirectory)) {
    if (!workDirectory_.empty() && workDirectory_.back() != '/') workDirectory_ += '/';
}

ViewingArea::~ViewingArea() {
    std::error_code ignored;
    for (const fs::path& file : files_) fs::remove(file, ignored);
    // Innermost first; a level that holds something else now stays.
    for (auto level = levels_.rbegin(); level != levels_.rend(); ++level)
        fs::remove(*level, ignored);
    if (!privateFolder_.empty()) fs::remove_all(fs::path(privateFolder_), ignored);
}

std::string ViewingArea::claim(const std::vector<std::string>& components) {
    const std::string directory =
        workDirectory_.empty() || taken(joined(workDirectory_, components)) ? privateFolder()
                                                                            : workDirectory_;
    if (directory == workDirectory_) {
        fs::path level = fs::path(directory);
        for (std::size_t i = 0; i + 1 < components.size(); ++i) {
            level /= fs::path(components[i]);
            if (!taken(level)) levels_.push_back(level);
        }
        files_.push_back(joined(directory, components));
    }
    return directory;
}

const std::string& ViewingArea::privateFolder() {
    if (!privateFolder_.empty()) return privateFolder_;
    const fs::path parent =
        workDirectory_.empty() ? fs::temp_directory_path() : fs::path(workDirectory_);
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < kFolderAttempts; ++attempt) {
        const fs::path folder = parent / (".kelvane-" + std::to_string(random() % 1000000000));
        std::error_code error;
        if (fs::create_directory(folder, error)) {
            privateFolder_ = folder.string() + "/";
            return privateFolder_;
        }
        if (error) break;
    }
    throw std::runtime_error("Cannot create file " + (parent / ".kelvane-*").string());
}

}  // namespace kelvane
