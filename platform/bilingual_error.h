#pragma once

#include <stdexcept>
#include <string>

namespace kelvane {

// A failure told in French and in English. `what()` is the window's text: French, a line
// break, English; a command line shows `english()` alone.
class BilingualError : public std::runtime_error {
  public:
    BilingualError(const std::string& french, std::string english)
        : std::runtime_error(french + "\r\n" + english),
          french_(french),
          english_(std::move(english)) {}

    const std::string& french() const { return french_; }
    const std::string& english() const { return english_; }

  private:
    std::string french_;
    std::string english_;
};

// The English half of a bilingual failure, else the failure's own text.
inline std::string englishText(const std::exception& error) {
    if (const auto* bilingual = dynamic_cast<const BilingualError*>(&error))
        return bilingual->english();
    return error.what();
}

// The half of a bilingual failure in the interface's language, else the failure's own text.
inline std::string textIn(const std::exception& error, bool english) {
    if (const auto* bilingual = dynamic_cast<const BilingualError*>(&error))
        return english ? bilingual->english() : bilingual->french();
    return error.what();
}

// The disk (or the user's quota) holds no more bytes; `path` names the file being written.
class DiskFull : public BilingualError {
  public:
    explicit DiskFull(const std::string& path)
        : BilingualError("Le disque est plein : " + path + " n'a pas pu être écrit.",
                         "The disk is full: " + path + " could not be written."),
          path_(path) {}

    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace kelvane
