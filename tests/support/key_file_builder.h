#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvane::test {

// One key object: its tagged values in file order, e.g. {{"name", "'Pause'"}, {"code",
// "59"}}; every tag is written as "<tag>" on its own line, then its value line.
struct KeyObject {
    std::vector<std::pair<std::string, std::string>> values;
};

struct KeySet {
    std::string title;
    std::vector<KeyObject> keys;
};

// A key-binding file with the given sets, each set and key object closed by "<endo>",
// lines ended by `lineEnd`.
std::string buildKeyFile(const std::vector<KeySet>& sets, std::string_view lineEnd = "\r\n");

}  // namespace kelvane::test
