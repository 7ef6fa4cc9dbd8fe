#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kelvane {

// Where the copies made for viewing are written, and their removal. A copy goes into the
// working directory when its name is free there; when the name is taken, or for texture
// pairs, it goes into a private folder made inside the working directory (inside the
// system's temporary folder when no working directory is set). Whatever the area made is
// removed with it, however the viewing ends; a file that existed before is never replaced
// or removed.
class ViewingArea {
  public:
    explicit ViewingArea(std::string workDirectory);
    ~ViewingArea();
    ViewingArea(const ViewingArea&) = delete;
    ViewingArea& operator=(const ViewingArea&) = delete;

    // The directory (ending with '/') into which `components` (a relative path) can be
    // written without touching an existing file. The file and any directory level missing
    // so far are removed with the area.
    std::string claim(const std::vector<std::string>& components);

    // The path that names a copy of `components` to the user: where the working directory
    // would hold it, wherever `claim` put it; `components` alone without a working directory.
    std::string shownPath(const std::vector<std::string>& components) const;

    // The private folder, ending with '/', made on first use and removed with everything in
    // it. Throws std::runtime_error when it cannot be made.
    const std::string& privateFolder();

    // Moves `file` out of the private folder into the working directory, where it stays, as
    // `name`, or as "stem (2).ext", "stem (3).ext"... when that name is taken: an existing
    // file is never replaced; one that holds the same bytes is used instead of a new copy.
    // Returns the path the file has now. Without a working directory
    // the file stays where it is and goes with the area.
    std::string keep(const std::string& file, const std::string& name);

  private:
    std::string workDirectory_;
    std::string privateFolder_;
    std::vector<std::filesystem::path> files_;
    std::vector<std::filesystem::path> levels_;  // outermost first
};

}  // namespace kelvane
