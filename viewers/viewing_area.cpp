#include "viewers/viewing_area.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <fstream>
#include <random>
#include <stdexcept>
#include <system_error>

namespace kelvane {
namespace {

namespace fs = std::filesystem;

constexpr int kFolderAttempts = 100;
constexpr int kNameAttempts = 1000;

// Anything at the path, a dangling link included.
bool taken(const fs::path& path) {
    std::error_code error;
    return fs::symlink_status(path, error).type() != fs::file_type::not_found;
}

// "name", then "stem (2).ext", "stem (3).ext"...
std::string numberedName(const std::string& name, int number) {
    if (number == 1) return name;
    const std::size_t dot = name.rfind('.');
    const std::size_t stemEnd = dot == std::string::npos || dot == 0 ? name.size() : dot;
    return name.substr(0, stemEnd) + " (" + std::to_string(number) + ")" + name.substr(stemEnd);
}

// Renames `from` to `to` unless something stands at `to` (errno EEXIST then). File systems
// that cannot rename that way get a hard link, which is made only where nothing stands.
bool moveWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    ::unlink(from.c_str());
    return true;
}

// Both regular files hold the same bytes.
bool sameBytes(const std::string& a, const std::string& b) {
    std::error_code error;
    if (!fs::is_regular_file(fs::symlink_status(b, error)) ||
        fs::file_size(a, error) != fs::file_size(b, error) || error)
        return false;
    std::ifstream first(a, std::ios::binary);
    std::ifstream second(b, std::ios::binary);
    std::array<char, 65536> one;
    std::array<char, 65536> two;
    while (first && second) {
        first.read(one.data(), one.size());
        second.read(two.data(), two.size());
        if (first.gcount() != second.gcount() ||
            !std::equal(one.begin(), one.begin() + first.gcount(), two.begin()))
            return false;
    }
    return first.eof() && second.eof();
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

std::string ViewingArea::shownPath(const std::vector<std::string>& components) const {
    return joined(workDirectory_, components).string();
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

std::string ViewingArea::keep(const std::string& file, const std::string& name) {
    if (workDirectory_.empty()) return file;
    for (int number = 1; number <= kNameAttempts; ++number) {
        const std::string target = workDirectory_ + numberedName(name, number);
        if (moveWithoutReplacing(file, target)) return target;
        if (errno != EEXIST) break;
        // The same picture kept by an earlier viewing serves again instead of a new copy.
        if (sameBytes(file, target)) {
            ::unlink(file.c_str());
            return target;
        }
    }
    throw std::runtime_error("Cannot create file " + workDirectory_ + name);
}

}  // namespace kelvane
