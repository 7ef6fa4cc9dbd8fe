#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>

#include "cli/cli.h"
#include "decoders/dbf_table.h"
#include "decoders/key_file.h"
#include "decoders/object_file.h"
#include "platform/bilingual_error.h"
#include "platform/cp1252.h"

namespace kelvane::cli {

extern const Command kDecodeCommand;

namespace {

std::string upperExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return extension;
}

int printObjectFile(const std::string& path, std::ostream& out) {
    for (const std::string& line : readObjectFile(path, '.')) out << cp1252ToUtf8(line) << '\n';
    return kSuccess;
}

int printKeyFile(const std::string& path, std::ostream& out, std::ostream& err) {
    const KeyListing listing = readKeyFile(path);
    for (const KeyLine& line : listing.lines) out << cp1252ToUtf8(line.text) << '\n';
    if (listing.error.empty()) return kSuccess;
    err << "kelvane-cli decode: " << path << ": " << listing.error << "\n";
    return kFailure;
}

int printDbfTable(const std::string& path, std::ostream& out) {
    const DbfTable table = readDbfTable(path);
    const auto printRow = [&](auto&& cellText) {
        for (std::size_t field = 0; field < table.fieldCount(); ++field) {
            if (field > 0) out << '\t';
            out << cp1252ToUtf8(cellText(field));
        }
        out << '\n';
    };
    printRow([&](std::size_t field) { return table.fieldNames()[field]; });
    // A header may claim more records than the file holds: the listing ends with the file.
    for (std::size_t record = 0; record < table.recordsInFile(); ++record) {
        printRow([&](std::size_t field) { return table.cell(record, field); });
    }
    return kSuccess;
}

int runDecode(const Arguments& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) return usageError(kDecodeCommand, err, "expects one FILE");
    const std::string& path = args[0];
    const std::string extension = upperExtension(path);
    try {
        if (extension == ".BGR" || extension == ".TXP" || extension == ".TMS" ||
            extension == ".QTI") {
            return printObjectFile(path, out);
        }
        if (extension == ".KEY") return printKeyFile(path, out, err);
        if (extension == ".DBF") return printDbfTable(path, out);
    } catch (const std::exception& error) {
        err << "kelvane-cli decode: " << path << ": " << englishText(error) << "\n";
        return kFailure;
    }
    err << "kelvane-cli decode: " << path
        << ": not a file this command decodes (.BGR .TXP .TMS .QTI .KEY .DBF)\n";
    return kFailure;
}

}  // namespace

extern const Command kDecodeCommand = {
    "decode", "decode FILE   (FILE: .BGR .TXP .TMS .QTI .KEY or .DBF)", &runDecode};

}  // namespace kelvane::cli
