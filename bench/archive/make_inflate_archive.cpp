// Writes a POD4 archive of COUNT entries of BYTES text-like bytes each, deflated at zlib
// level 6, for the inflation benchmark; with PLAIN (not "-"), also the entries' bytes end to
// end, to be gzipped for the comparison.
// Usage: make_inflate_archive ARCHIVE PLAIN|- COUNT BYTES
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "tests/support/archive_builder.h"

namespace {

// Words of 2 to 9 letters drawn from a small vocabulary, in lines: deflate keeps about a third.
std::string textLike(std::size_t bytes, std::mt19937& random) {
    std::vector<std::string> words(400);
    for (std::string& word : words) {
        word.resize(2 + random() % 8);
        for (char& letter : word) letter = char('a' + random() % 26);
    }
    std::string text;
    text.reserve(bytes + 16);
    while (text.size() < bytes) {
        text += words[random() % words.size()];
        text += random() % 12 == 0 ? '\n' : ' ';
    }
    text.resize(bytes);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::cerr << "usage: make_inflate_archive ARCHIVE PLAIN|- COUNT BYTES\n";
        return 2;
    }
    const std::string plain = argv[2];
    const long count = std::atol(argv[3]);
    const std::size_t bytes = std::size_t(std::atoll(argv[4]));
    std::mt19937 random(7);
    std::vector<kelvane::test::StoredFile> files;
    std::ofstream joined;
    if (plain != "-") joined.open(plain, std::ios::binary | std::ios::trunc);
    for (long i = 0; i < count; ++i) {
        files.push_back({"TEXT\\file_" + std::to_string(i) + ".txt", textLike(bytes, random),
                         std::uint32_t(1000000000 + i)});
        if (joined.is_open()) joined.write(files.back().data.data(), std::streamsize(bytes));
    }
    kelvane::test::ArchiveOptions options;
    options.level = 6;
    kelvane::test::writeArchive(argv[1], kelvane::test::ArchiveLayout::POD4, files, options);
    return 0;
}
