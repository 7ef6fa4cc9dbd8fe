#pragma once

#include <array>
#include <string>
#include <string_view>

namespace kelvane {

// What the filter box keeps: stored names that contain the typed text, compared case-blind,
// where `*` stands for any run of characters and `?` for any one character. A stored name
// is Windows-1252, so text with a character it cannot hold matches no name.
class ListingFilter {
  public:
    // `text` is what the user typed (UTF-8); an empty text keeps every name.
    explicit ListingFilter(std::string_view text = {});

    bool keepsEverything() const { return pattern_.empty() && !matchesNothing_; }
    // `storedName` in Windows-1252 bytes.
    bool keeps(std::string_view storedName) const;

  private:
    std::string pattern_;  // upper-cased Windows-1252, wildcards kept
    bool matchesNothing_ = false;
};

}  // namespace kelvane
