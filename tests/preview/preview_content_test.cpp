#include "preview/preview_content.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/pod_reader.h"
#include "preview/hex_dump.h"
#include "preview/preview_captions.h"
#include "tests/support/archive_builder.h"
#include "tests/support/dbf_builder.h"
#include "tests/support/image_builders.h"
#include "tests/support/key_file_builder.h"
#include "tests/support/tagged_file_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

using test::ArchiveLayout;
using test::StoredFile;

std::string table() {
    test::DbfLayout layout;
    layout.fields = {{"ICAO", 4}, {"NOM", 10}, {"ALT", 5}};
    layout.records = {"LFPGCharles   392", "LFPOOrly      291"};
    return test::buildDbf(layout);
}

std::string keys() {
    return test::buildKeyFile(
        {{"Vol", {{{{"name", "Pause"}, {"code", "80"}}}, {{{"name", "Frein"}, {"code", "66"}}}}},
         {"Vue", {{{{"name", "Avant"}, {"code", "65"}}}}}});
}

std::string object() {
    test::TaggedFileBuilder file;
    file.tag("<vert>").longValue(3).tag("<lowl>").real(1).real(2.5).real(3);
    return file.bytes();
}

const std::string kLongText(100 * 1024, 'x');

// The entries of the test archive, and what each one's preview is: its kind (the index of
// its alternative in PreviewContent), its English caption and the English reason for a dump.
struct KindCase {
    StoredFile file;
    std::size_t kind;
    std::string caption;
    std::string reason = {};
};

enum Kind : std::size_t { Picture, Text, Object, Table, Keys, Sound, Hex };

const std::vector<KindCase> kKinds = {
    {{"ART\\panel.tga", test::flatTarga(4, 2)}, Picture, "4 x 2"},
    {{"wide.TGA", test::flatTarga(400, 100)}, Picture, "400 x 100"},
    {{"tex.RAW", std::string(256, '\x01')}, Picture, "16 x 16"},
    {{"tex.ACT", std::string(768, '\x7F')}, Picture, "16 x 16"},
    {{"lonely.OPA", std::string(256, '\x01')},
     Hex,
     "256 bytes, all shown",
     "File lonely.ACT not found"},
    {{"readme.txt",
      "Fran\xE7"
      "ais\r\nligne 2"},
     Text,
     "17 bytes, all shown"},
    {{"long.TXT", kLongText}, Text, "64 KiB of 100 KiB shown"},
    {{"plane.BGR", object()}, Object, "6 lines decoded"},
    {{"airports.DBF", table()}, Table, "2 records, 3 fields"},
    {{"pilot.KEY", keys()}, Keys, "3 keys"},
    {{"beep.WAV", test::toneWav(4000, 0)}, Sound, "0:00.5 · 8000 Hz · mono · 16 bits"},
    {{"broken.wav", std::string("RIFF\0\0\0\0AVI ", 12)},
     Hex,
     "12 bytes, all shown",
     "This is not a RIFF/WAVE sound."},
    {{"bad.TGA", "not a picture"}, Hex, "13 bytes, all shown", "Stream read error"},
    {{"data.bin", "\x01\x02hello"},
     Hex,
     "7 bytes, all shown",
     "No preview for .BIN files: here are their first bytes."},
    {{"NOTES", "plain"},
     Hex,
     "5 bytes, all shown",
     "No preview for files without an extension: here are their first bytes."},
    // Read by the picture registry, though the picture viewer does not take it.
    {{"ART\\shot.PNG",
      test::buildPng({.width = 3, .height = 2, .samples = std::vector<std::uint16_t>(18, 9)})},
     Picture,
     "3 x 2"},
};

class PreviewKinds : public ::testing::TestWithParam<ArchiveLayout> {
  protected:
    void SetUp() override {
        std::vector<StoredFile> files;
        for (const KindCase& c : kKinds) files.push_back(c.file);
        path =
            (dir.path() / (GetParam() == ArchiveLayout::EPD ? "kinds.epd" : "kinds.pod")).string();
        test::writeArchive(path, GetParam(), files);
        TPOD pod(path);
        pod.ReadHeaderAndDirectory();
        catalogue = pod.catalogue();
    }

    PreviewContent preview(const CatalogueEntry& entry, PictureSize box = {100, 100}) const {
        return previewEntry({path, entry, textureCompanion(catalogue, entry), box, ','});
    }

    test::TempDir dir;
    std::string path;
    std::vector<CatalogueEntry> catalogue;
};

TEST_P(PreviewKinds, EachEntryGetsItsView) {
    ASSERT_EQ(catalogue.size(), kKinds.size());
    for (std::size_t i = 0; i < kKinds.size(); ++i) {
        const KindCase& c = kKinds[i];
        SCOPED_TRACE(c.file.name);
        const PreviewContent content = preview(catalogue[i]);
        EXPECT_EQ(content.index(), c.kind);
        EXPECT_EQ(previewCaption(content, true), c.caption);
        if (const auto* dump = std::get_if<HexPreview>(&content)) {
            EXPECT_EQ(dump->english, c.reason);
            EXPECT_EQ(dump->dump, hexDump(c.file.data));
        }
    }
}

TEST_P(PreviewKinds, ContentsAsShown) {
    // Pictures fit the box with their aspect ratio; the texture pair reads as one picture.
    const auto wide = std::get<PicturePreview>(preview(catalogue[1]));
    EXPECT_EQ(wide.pixels.width, 100u);
    EXPECT_EQ(wide.pixels.height, 25u);
    EXPECT_EQ(wide.pixels.pixels[0], 0x30);
    const auto texture = std::get<PicturePreview>(preview(catalogue[3]));
    EXPECT_EQ(texture.pixels.pixels[0], 0x7F);

    EXPECT_EQ(std::get<TextPreview>(preview(catalogue[5])).text, "Français\nligne 2");
    EXPECT_EQ(std::get<TextPreview>(preview(catalogue[6])).text, kLongText.substr(0, 65536));
    // Reals with the requested separator.
    EXPECT_EQ(std::get<ObjectPreview>(preview(catalogue[7])).text, "<vert>\n3\n<lowl>\n1\n2,5\n3");
    EXPECT_EQ(std::get<TablePreview>(preview(catalogue[8])).table.cell(1, 1), "Orly      ");
    // A sound is played from a copy of its entry.
    const auto sound = std::get<SoundPreview>(preview(catalogue[10]));
    const std::string copy = (dir.path() / "copy.wav").string();
    writeEntryCopy(sound.archivePath, sound.entry, copy);
    EXPECT_EQ(test::readFile(copy), test::toneWav(4000, 0));

    // An archive that has gone is said so.
    const auto gone = std::get<HexPreview>(
        previewEntry({path + ".gone", catalogue[0], std::nullopt, {100, 100}, '.'}));
    EXPECT_EQ(gone.english, "Cannot open archive " + path + ".gone");
    EXPECT_EQ(gone.dump, "");

    // Entries too big to decode whole are dumped; a picture is decoded as it is read, in
    // place when stored (ending with the archive whatever its stated size), inflated as it
    // goes when compressed (which then must yield its stated size).
    for (const std::size_t index : {std::size_t{0}, std::size_t{8}}) {
        CatalogueEntry huge = catalogue[index];
        huge.size = std::int32_t(kLargestDecoded + 1);
        if (!huge.compressed) huge.storedSize = huge.size;
        const PreviewContent content = preview(huge);
        if (index == 0 && !huge.compressed) {
            EXPECT_EQ(previewCaption(content, true), "4 x 2");
            continue;
        }
        const auto& dumped = std::get<HexPreview>(content);
        EXPECT_EQ(dumped.english, index == 0 ? "Entry 1 \"ART\\panel.tga\" is damaged: it yields " +
                                                   std::to_string(catalogue[0].size) +
                                                   " bytes instead of 268435457."
                                             : "The entry is too big to preview (256 MiB).");
        EXPECT_GT(dumped.shown, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, PreviewKinds,
                         ::testing::Values(ArchiveLayout::POD, ArchiveLayout::EPD,
                                           ArchiveLayout::POD5),
                         [](const auto& info) { return std::to_string(int(info.param)); });

TEST(PreviewContent, DamagedStreamsShowTheirStoredBytes) {
    test::TempDir dir;
    const std::string path = (dir.path() / "damaged.pod").string();
    test::writeArchive(path, ArchiveLayout::POD5, {{"panel.tga", test::flatTarga(64, 64)}});
    TPOD pod(path);
    pod.ReadHeaderAndDirectory();
    const CatalogueEntry entry = pod.catalogue()[0];
    std::string bytes = test::readFile(path);
    for (std::uint32_t i = 2; i < entry.storedSize; ++i)
        bytes[std::size_t(entry.offset + i)] = '\xFF';
    test::writeFile(path, bytes);

    const auto dump = std::get<HexPreview>(previewEntry({path, entry, std::nullopt, {8, 8}, '.'}));
    EXPECT_EQ(dump.english, "Entry 1 \"panel.tga\" is damaged: its compressed stream is corrupt.");
    EXPECT_EQ(dump.total, entry.storedSize);
    EXPECT_EQ(dump.dump,
              hexDump(bytes.substr(std::size_t(entry.offset), std::size_t(entry.storedSize))));
}

// A sound's summary reads its chunk headers, never its data: a 16 MiB sound costs less than
// a megabyte of reading whether it is stored or compressed, its fmt chunk first or last.
TEST(PreviewContent, SoundsReadOnlyTheirHeader) {
    const std::string tone = test::toneWav(8 << 20, 0);  // 8000 Hz mono 16-bit: 16 MiB
    const std::string format = tone.substr(12, 24);
    // The same sound with its data before its fmt chunk, and one cut short in its data.
    std::string dataFirst = tone.substr(0, 12) + tone.substr(36) + format;
    const std::string cut = tone.substr(0, tone.size() - 1000);
    test::TempDir dir;
    const std::string path = (dir.path() / "sounds.pod").string();
    std::vector<StoredFile> files;
    for (const bool compress : {false, true}) {
        files.push_back({"tone.WAV", tone, 0, compress});
        files.push_back({"late.WAV", dataFirst, 0, compress});
        files.push_back({"cut.WAV", cut, 0, compress});
    }
    test::writeArchive(path, ArchiveLayout::POD5, files);
    TPOD pod(path);
    pod.ReadHeaderAndDirectory();
    const char* const expected[] = {"17:28.6 · 8000 Hz · mono · 16 bits",
                                    "17:28.6 · 8000 Hz · mono · 16 bits",
                                    "17:28.5 · 8000 Hz · mono · 16 bits (cut short)"};
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i].name + (files[i].compress ? " compressed" : " stored"));
        const std::uint64_t before = test::bytesReadSoFar();
        const PreviewContent content =
            previewEntry({path, pod.catalogue()[i], std::nullopt, {}, '.'});
        const bool late = i % 3 == 1;
        // Only a compressed sound with its fmt chunk after its data is inflated further.
        EXPECT_LE(test::bytesReadSoFar() - before,
                  late && files[i].compress ? 20u << 20 : 1u << 20);
        if (late && files[i].compress) {
            EXPECT_EQ(std::get<HexPreview>(content).english, "The sound has no fmt chunk.");
            continue;
        }
        EXPECT_EQ(previewCaption(content, true), expected[i % 3]);
    }
}

TEST(PreviewContent, LongDecodedTextsAreCutAtALine) {
    test::TaggedFileBuilder file;
    for (int i = 0; i < 100000; ++i) file.tag("<vert>").longValue(1000000 + i);
    test::TempDir dir;
    const std::string path = (dir.path() / "object.pod").string();
    test::writeArchive(path, ArchiveLayout::POD, {{"big.BGR", file.bytes()}});
    TPOD pod(path);
    pod.ReadHeaderAndDirectory();
    const PreviewContent content = previewEntry({path, pod.catalogue()[0], std::nullopt, {}, '.'});
    const auto& object = std::get<ObjectPreview>(content);
    // 15 bytes a pair of lines: 69905 pairs fit in 1 MiB.
    EXPECT_EQ(object.shownLines, 139810u);
    EXPECT_LE(object.text.size(), kShownTextBytes);
    EXPECT_TRUE(object.text.ends_with("1069903\n<vert>\n1069904"));
    EXPECT_EQ(previewCaption(content, true), "200000 lines decoded, the first 139810 shown");
}

TEST(PreviewContent, Companions) {
    const std::vector<CatalogueEntry> catalogue = {
        {.name = "A\\tex.ACT"}, {.name = "tex.ACT"}, {.name = "tex.RAW"}, {.name = "A\\tex.RAW"}};
    EXPECT_EQ(textureCompanion(catalogue, catalogue[2])->name, "tex.ACT");
    EXPECT_EQ(textureCompanion(catalogue, catalogue[0])->name, "A\\tex.RAW");
    EXPECT_FALSE(textureCompanion(catalogue, {.name = "b.raw"}));  // the name matches exactly
    EXPECT_FALSE(textureCompanion(catalogue, {.name = "tex.TXT"}));
}

TEST(PreviewText, HexDump) {
    EXPECT_EQ(hexDump(""), "");
    std::string bytes;
    for (int i = 0; i < 20; ++i) bytes += char(i * 13 + 30);
    EXPECT_EQ(hexDump(bytes),
              "0000  1E 2B 38 45  52 5F 6C 79  .+8ER_ly\n"
              "0008  86 93 A0 AD  BA C7 D4 E1  ........\n"
              "0010  EE FB 08 15               ....");
    // Past 64 KiB the offsets take a fifth digit.
    const std::string big = hexDump(std::string(8192 * 8 + 1, 'a'));
    EXPECT_EQ(big.substr(0, 7), "00000  ");
    EXPECT_EQ(big.substr(big.rfind('\n') + 1), "10000  61                        a");
}

TEST(PreviewText, SizesAndDurations) {
    const struct {
        std::int64_t bytes;
        const char* english;
        const char* french;
    } sizes[] = {{0, "0 bytes", "0 octet"},
                 {1, "1 byte", "1 octet"},
                 {1023, "1023 bytes", "1023 octets"},
                 {1024, "1 KiB", "1 Kio"},
                 {1536, "1.5 KiB", "1,5 Kio"},
                 {1048524, "1023.9 KiB", "1023,9 Kio"},
                 {1048550, "1 MiB", "1 Mio"},  // 1023.97 KiB
                 {std::int64_t{512} << 20, "512 MiB", "512 Mio"},
                 {std::int64_t{5} << 40, "5 TiB", "5 Tio"},
                 {std::int64_t{5} << 50, "5120 TiB", "5120 Tio"}};
    for (const auto& size : sizes) {
        EXPECT_EQ(byteSizeText(size.bytes, true), size.english);
        EXPECT_EQ(byteSizeText(size.bytes, false), size.french);
    }
    EXPECT_EQ(extentText(65536, std::int64_t{512} << 20, true), "64 KiB of 512 MiB shown");
    EXPECT_EQ(extentText(65536, std::int64_t{512} << 20, false), "64 Kio sur 512 Mio affichés");
    EXPECT_EQ(extentText(10, 10, false), "10 octets, tout est affiché");

    const struct {
        double seconds;
        const char* english;
    } durations[] = {
        {0, "0:00.0"},     {1.54, "0:01.5"}, {59.96, "1:00.0"},           {61.25, "1:01.3"},
        {3600, "60:00.0"}, {-1, "0:00.0"},   {1e300, "16666666666:40.0"}, {1.0 / 0.0, "0:00.0"}};
    for (const auto& duration : durations)
        EXPECT_EQ(durationText(duration.seconds, true), duration.english) << duration.seconds;
    EXPECT_EQ(durationText(1.54, false), "0:01,5");

    WavHeader header{.channels = 6, .sampleRate = 48000, .byteRate = 48000 * 6};
    header.bitsPerSample = 8;
    header.dataBytes = 48000 * 6 * 3;
    header.truncated = true;
    EXPECT_EQ(soundSummary(header, false), "0:03,0 · 48000 Hz · 6 canaux · 8 bits (tronqué)");
    header.channels = 2;
    EXPECT_EQ(soundSummary(header, true), "0:03.0 · 48000 Hz · stereo · 8 bits (cut short)");
}

TEST(PreviewPicture, FittingKeepsTheAspectRatioAndAverages) {
    const struct {
        PictureSize picture, box, fitted;
    } sizes[] = {{{4096, 4096}, {800, 600}, {600, 600}},
                 {{400, 100}, {100, 100}, {100, 25}},
                 {{100, 400}, {100, 100}, {25, 100}},
                 {{10, 10}, {800, 600}, {10, 10}},
                 {{5000, 1}, {100, 100}, {100, 1}},
                 {{0, 7}, {10, 10}, {0, 0}},
                 {{300, 200}, {0, 0}, {1, 1}}};
    for (const auto& s : sizes) {
        const PictureSize fitted = fittedSize(s.picture, s.box);
        EXPECT_EQ(fitted, s.fitted) << s.picture.width << "x" << s.picture.height;
    }

    // 4 x 2 grey levels 0, 100, 200, 50 in blocks of 2 x 2, halved each way.
    Bitmap picture;
    picture.setPixelFormat(PixelFormat::pf8bit);
    picture.setSize(4, 2);
    Palette palette(256);
    for (int i = 0; i < 256; ++i) palette[std::size_t(i)] = {std::uint8_t(i), 0, 0};
    picture.setPalette(palette);
    const std::uint8_t rows[2][4] = {{0, 100, 200, 200}, {0, 50, 200, 200}};
    for (std::uint32_t y = 0; y < 2; ++y) std::copy(rows[y], rows[y] + 4, picture.scanLine(y));
    const Rgba8Image fitted = fitPicture(picture, {2, 2});
    ASSERT_EQ(fitted.width, 2u);
    ASSERT_EQ(fitted.height, 1u);
    EXPECT_EQ(fitted.pixels[0], 38);  // (0 + 100 + 0 + 50) / 4, rounded
    EXPECT_EQ(fitted.pixels[4], 200);
    EXPECT_EQ(fitted.pixels[3], 255);
    EXPECT_EQ(fitPicture(picture, {10, 10}).pixels, picture.toRgba8().pixels);
}

}  // namespace
}  // namespace kelvane
