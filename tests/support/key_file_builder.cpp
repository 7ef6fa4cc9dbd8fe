#include "tests/support/key_file_builder.h"

namespace kelvane::test {

std::string buildKeyFile(const std::vector<KeySet>& sets, std::string_view lineEnd) {
    std::string text;
    const auto line = [&](std::string_view content) {
        text += content;
        text += lineEnd;
    };
    line("<bgno> ==== key bindings ====");
    for (const KeySet& set : sets) {
        line("<kset> ==== key set ====");
        line("bgno");
        line("<kyid>");
        line("'grp1'");
        line(set.title);
        line("<user>");
        line("0");
        line("<enab>");
        line("1");
        for (const KeyObject& key : set.keys) {
            line("<kkey>");
            line("bgno");
            for (const auto& [tag, value] : key.values) {
                line("<" + tag + ">");
                line(value);
            }
            line("<endo>");
        }
        line("<endo>");
    }
    line("<endo>");
    return text;
}

}  // namespace kelvane::test
