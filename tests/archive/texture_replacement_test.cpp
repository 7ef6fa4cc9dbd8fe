#include "archive/texture_replacement.h"

#include <gtest/gtest.h>

#include "archive/archive_details.h"
#include "archive/archive_errors.h"
#include "archive/pod_reader.h"
#include "archive/verification.h"
#include "imaging/texture_maker.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

using test::ArchiveLayout;
using test::StoredContents;

Texture twoByTwo() {
    Texture texture;
    texture.side = 2;
    texture.indices = std::string("\x01\x02\x03\x04", 4);
    texture.palette = std::string(768, '\x07');
    return texture;
}

TEST(TextureReplacementTest, ReplacesBothHalvesOrAddsTheMissingOne) {
    const Texture texture = twoByTwo();
    const std::string oldPixels(16, 'p'), oldPalette(768, 'c');
    struct Case {
        ArchiveLayout layout;
        std::vector<test::StoredFile> files;
        std::string named;
        StoredContents expected;
        std::size_t audits;  // added by the replacement, where the layout keeps them
    } cases[] = {
        {ArchiveLayout::POD3,
         {{"A.TXT", "a"}, {"TEX\\sky.RAW", oldPixels}, {"TEX\\sky.ACT", oldPalette}},
         "tex\\SKY.raw",
         {{"A.TXT", "a"}, {"TEX\\sky.RAW", texture.indices}, {"TEX\\sky.ACT", texture.palette}},
         2},
        {ArchiveLayout::EPD,
         {{"sky.ACT", oldPalette}, {"sky.OPA", oldPixels}},
         "sky.ACT",
         {{"sky.ACT", texture.palette}, {"sky.OPA", texture.indices}},
         0},
        {ArchiveLayout::POD,
         {{"sky.RAW", oldPixels}, {"B.TXT", "b"}},
         "sky.RAW",
         {{"sky.RAW", texture.indices}, {"B.TXT", "b"}, {"sky.ACT", texture.palette}},
         2},
        {ArchiveLayout::POD1,
         {{"sky.ACT", oldPalette}},
         "sky.ACT",
         {{"sky.ACT", texture.palette}, {"sky.RAW", texture.indices}},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.named);
        test::TempDir dir;
        const bool epd = c.layout == ArchiveLayout::EPD;
        const std::string path = (dir.path() / (epd ? "t.epd" : "t.pod")).string();
        test::writeArchive(path, c.layout, c.files);
        {
            TPOD pod(path);
            pod.ReadHeaderAndDirectory();
            const std::size_t audits = auditTrail(pod).size();
            const ArchivePlan plan = planTextureReplacement(pod, c.named, texture, {"me", 1234});
            writeArchive(plan, path, [](std::int64_t, std::int64_t) { return true; });
            TPOD written(path);
            written.ReadHeaderAndDirectory();
            EXPECT_EQ(test::storedContents(written), c.expected);
            EXPECT_TRUE(
                verifyArchive(written, [](std::int64_t, std::int64_t) { return true; }).allHold());
            EXPECT_EQ(auditTrail(written).size(), audits + c.audits);
        }
    }
}

TEST(TextureReplacementTest, RefusesReadOnlyLayoutsAndNamesOfNoTextureHalf) {
    struct Case {
        ArchiveLayout layout;
        std::string named;
        std::string message;
    } cases[] = {
        {ArchiveLayout::POD4, "sky.RAW", "can only be read"},
        {ArchiveLayout::POD3, "A.TXT", "A.TXT is not a texture half (.RAW, .OPA or .ACT)."},
        {ArchiveLayout::POD3, "other.RAW", "The archive has no entry other.RAW."},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const std::string path = (dir.path() / "t.pod").string();
        test::writeArchive(path, c.layout, {{"A.TXT", "a"}, {"sky.RAW", "pppp"}});
        TPOD pod(path);
        pod.ReadHeaderAndDirectory();
        try {
            planTextureReplacement(pod, c.named, twoByTwo(), {});
            ADD_FAILURE() << c.named << " was not refused";
        } catch (const BilingualError& e) {
            EXPECT_NE(e.english().find(c.message), std::string::npos) << e.english();
            EXPECT_FALSE(e.french().empty());
        }
    }
}

}  // namespace
}  // namespace kelvane
