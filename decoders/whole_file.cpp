#include "decoders/whole_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace kelvane {

std::string readWholeFile(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) {
        throw std::runtime_error("Cannot open file \"" + path + "\". " + std::strerror(errno));
    }
    std::string bytes;
    char chunk[1 << 16];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) bytes.append(chunk, got);
    if (std::ferror(file.get())) {
        throw std::runtime_error("Cannot read file \"" + path + "\". " + std::strerror(errno));
    }
    return bytes;
}

}  // namespace kelvane
