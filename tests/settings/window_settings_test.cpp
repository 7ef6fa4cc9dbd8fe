#include "settings/window_settings.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include "tests/support/small_disk.h"

namespace kelvane {
namespace {

TEST(WindowSettings, ARefusedWriteKeepsTheChangeInMemoryAndIsToldOnce) {
    const struct {
        const char* what;
        std::function<void(test::SmallDisk&)> refuse;
        bool english;
        std::string toldBefore, toldAfter;  // the file's path between them
    } refusals[] = {
        {"read-only", [](test::SmallDisk& disk) { disk.makeReadOnly(); }, true,
         "Recent archives not saved, kept until Kelvane closes: Cannot create file ",
         std::string(": ") + std::strerror(EROFS)},
        {"full", [](test::SmallDisk& disk) { disk.fillSpace(); }, false,
         "Liste des archives récentes non enregistrée, gardée jusqu'à la fermeture : Le disque "
         "est plein : ",
         " n'a pas pu être écrit."},
    };
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(refusal.what);
        test::SmallDisk disk(64 * 1024);
        if (!disk.mounted()) GTEST_SKIP() << disk.refusal();
        const std::string path = disk.withSeparator() + "Kelvane.ini";
        const std::string before = "[init]\r\nlangage=english\r\n[recent]\r\narchive1=/a.POD\r\n";
        test::writeFile(path, before);
        WindowSettings kept(path);
        kept.read();
        refusal.refuse(disk);

        EXPECT_EQ(kept.rememberArchive("/b.POD", refusal.english),
                  refusal.toldBefore + path + refusal.toldAfter);
        EXPECT_EQ(kept.rememberArchive("/c.POD", refusal.english), "");
        EXPECT_EQ(kept.recentArchives(), (std::vector<std::string>{"/c.POD", "/b.POD", "/a.POD"}));

        WindowLayout layout;
        layout.columns = {20, 300};
        kept.saveLayout(layout);
        EXPECT_EQ(kept.layout().columns, layout.columns);
        EXPECT_EQ(test::readFile(path), before);
    }
}

}  // namespace
}  // namespace kelvane
