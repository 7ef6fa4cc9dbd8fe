#include "preview/preview_pane.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMediaPlayer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTableView>
#include <QTest>
#include <QUrl>
#include <cmath>
#include <string>
#include <vector>

#include "archive/pod_reader.h"
#include "imaging/raw_texture.h"
#include "preview/hex_dump.h"
#include "preview/picture_view.h"
#include "preview/sound_page.h"
#include "tests/support/archive_builder.h"
#include "tests/support/dbf_builder.h"
#include "tests/support/decoded_picture.h"
#include "tests/support/image_builders.h"
#include "tests/support/key_file_builder.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/tagged_file_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

using test::ArchiveLayout;
using test::StoredFile;

// An archive on disk, its catalogue, and a pane shown offscreen.
class PaneTest : public ::testing::Test {
  protected:
    void open(const std::vector<StoredFile>& files, ArchiveLayout layout = ArchiveLayout::POD5) {
        path = (dir.path() / "preview.pod").string();
        test::writeArchive(path, layout, files);
        TPOD pod(path);
        pod.ReadHeaderAndDirectory();
        catalogue = pod.catalogue();
    }
    void show(std::size_t index) { pane.showEntry(path, catalogue, catalogue[index]); }
    // Shows an entry and waits for its preview.
    void showAndWait(std::size_t index) {
        QSignalSpy shown(&pane, &PreviewPane::previewShown);
        show(index);
        ASSERT_TRUE(shown.wait(10000));
    }
    QString page() const {
        return pane.findChild<QStackedWidget*>()->currentWidget()->objectName();
    }
    QString info() const { return pane.findChild<QLabel*>("PreviewInfo")->text(); }
    QString reason() const {
        auto* label = pane.findChild<QLabel*>("PreviewReason");
        return label->isVisibleTo(&pane) ? label->text() : QString();
    }
    QString dump() const {
        return pane.findChild<QPlainTextEdit*>("PreviewHexDump")->toPlainText();
    }

    void SetUp() override {
        pane.resize(400, 300);
        pane.show();
    }

    test::TempDir dir;
    std::string path;
    std::vector<CatalogueEntry> catalogue;
    PreviewPane pane;
};

TEST_F(PaneTest, SaveAsPngDecodesTheEntryAgainWhole) {
    // Wider than the screen the pane fits pictures to; a texture saved from its palette half; a
    // picture only the pane shows.
    const std::string targa = test::flatTarga(3000, 2);
    const std::string pixels = "\x01\x02\x03\x04";
    std::string palette(768, '\0');
    for (int i = 0; i < 768; ++i) palette[std::size_t(i)] = char(i * 7);
    const std::string png =
        test::buildPng({.width = 2, .height = 1, .samples = {1, 2, 3, 4, 5, 6}});
    open({{"PIC\\WIDE.TGA", targa}, {"A.RAW", pixels}, {"A.ACT", palette}, {"ICON.PNG", png}});
    test::ScriptedDesktop desktop;
    struct Case {
        std::size_t index;
        const char* proposed;
        std::string expected;  // the picture, as its own format decodes
        const char* format;
    };
    const Case cases[] = {{0, "WIDE.png", targa, "tga"},
                          {2, "A.png", rawTextureToBmp(pixels, palette), "bmp"},
                          {3, "ICON.png", png, "png"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.proposed);
        showAndWait(c.index);
        ASSERT_EQ(page(), "PreviewPicture");
        const auto target = dir.path() / c.proposed;
        desktop.saveFileAnswers.push_back(QString::fromStdString(target.string()));
        pane.findChild<QAction*>("PreviewSavePng")->trigger();
        EXPECT_TRUE(desktop.saveFileRequests.back().initialDirectory.endsWith(c.proposed));
        EXPECT_EQ(test::decodedPixels(test::readFile(target), "png").pixels,
                  test::decodedPixels(c.expected, c.format).pixels);
    }
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(PaneTest, EachKindReachesItsPage) {
    test::TaggedFileBuilder object;
    object.tag("<vert>").longValue(3);
    test::DbfLayout table;
    table.fields = {{"ICAO", 4}, {"NOM", 10}};
    table.records = {"LFPGCharles", "LFPOOrly"};
    const struct {
        StoredFile file;
        const char* page;
        const char* caption;  // English
        const char* reason = "";
    } kinds[] = {
        {{"ART\\big.TGA", test::flatTarga(1000, 500)}, "PreviewPicture", "1000 x 500"},
        {{"ART\\tex.RAW", std::string(64, '\x01')}, "PreviewPicture", "8 x 8"},
        {{"ART\\tex.ACT", std::string(768, '\x40')}, "PreviewPicture", "8 x 8"},
        {{"notes.TXT", "line 1\r\nline 2"}, "PreviewText", "14 bytes, all shown"},
        {{"plane.BGR", object.bytes()}, "PreviewText", "2 lines decoded"},
        {{"pilot.KEY", test::buildKeyFile({{"Vol", {{{{"name", "Pause"}, {"code", "80"}}}}}})},
         "PreviewText",
         "1 key"},
        {{"airports.DBF", test::buildDbf(table)}, "PreviewTable", "2 records, 2 fields"},
        {{"beep.WAV", test::toneWav(2000, 9000)},
         "PreviewSound",
         "0:00.3 · 8000 Hz · mono · 16 bits"},
        {{"broken.WAV", "RIFF"},
         "PreviewHex",
         "4 bytes, all shown",
         "This is not a RIFF/WAVE sound."},
        {{"blob.bin", "\x01\x02hello"},
         "PreviewHex",
         "7 bytes, all shown",
         "No preview for .BIN files: here are their first bytes."},
    };
    std::vector<StoredFile> files;
    for (const auto& kind : kinds) files.push_back(kind.file);
    files.push_back({"table.DBF", "\x03"});  // a header cut short: dumped with the reason
    open(files);

    pane.setEnglish(true);
    for (std::size_t i = 0; i < std::size(kinds); ++i) {
        SCOPED_TRACE(kinds[i].file.name);
        showAndWait(i);
        EXPECT_EQ(page(), kinds[i].page);
        EXPECT_EQ(info(), QString::fromUtf8(kinds[i].caption));
        EXPECT_EQ(reason(), kinds[i].reason);
        // The caption is said once: no page repeats it.
        int saying = 0;
        for (const QLabel* label : pane.findChildren<QLabel*>())
            saying += label->isVisibleTo(&pane) && label->text() == info();
        EXPECT_EQ(saying, 1);
    }
    showAndWait(std::size(kinds));
    EXPECT_EQ(reason(), "Stream read error");
    EXPECT_EQ(dump(), QString::fromStdString(hexDump("\x03")));

    // The big picture is fitted to the page, its aspect kept.
    showAndWait(0);
    auto* picture = pane.findChild<PictureView*>("PreviewPicture");
    const QSize shown = picture->shownSize();
    EXPECT_TRUE(shown.width() == picture->width() || shown.height() == picture->height());
    EXPECT_NEAR(double(shown.width()) / shown.height(), 2.0, 0.02);

    // The captions follow the language.
    showAndWait(8);
    pane.setEnglish(false);
    EXPECT_EQ(info(), "4 octets, tout est affiché");
    EXPECT_EQ(reason(), "Ce n'est pas un son RIFF/WAVE.");
}

TEST_F(PaneTest, EmptyStateAndThePanesOwnTextsInBothLanguages) {
    EXPECT_EQ(page(), "PreviewEmpty");
    open({{"beep.WAV", test::toneWav(200, 9000)}});
    const struct {
        bool english;
        const char* empty;
        const char* reading;
        const char* play;
    } cases[] = {
        {false, "Aucune entrée sélectionnée", "Lecture…", "Lire"},
        {true, "No entry selected", "Reading…", "Play"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.english);
        pane.setEnglish(c.english);
        pane.clear();
        EXPECT_EQ(pane.findChild<QLabel*>("PreviewEmpty")->text().toStdString(), c.empty);
        EXPECT_EQ(info(), "");
        QSignalSpy shown(&pane, &PreviewPane::previewShown);
        show(0);
        EXPECT_EQ(info().toStdString(), c.reading);
        ASSERT_TRUE(shown.wait(10000));
        EXPECT_EQ(pane.findChild<QPushButton*>("PreviewPlay")->text().toStdString(), c.play);
    }
}

TEST_F(PaneTest, AStaleResultIsDropped) {
    open({{"first.TGA", test::flatTarga(300, 300)}, {"second.txt", "second"}});
    QSignalSpy shown(&pane, &PreviewPane::previewShown);
    QSignalSpy started(&pane, &PreviewPane::readStarted);
    // The second entry becomes current while the first one's read is in the worker.
    bool changed = false;
    QObject::connect(&pane, &PreviewPane::readStarted, &pane, [&] {
        if (!std::exchange(changed, true)) show(1);
    });
    show(0);
    EXPECT_EQ(info(), "Lecture…");
    ASSERT_TRUE(shown.wait(10000));
    EXPECT_EQ(started.count(), 2);
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(page(), "PreviewText");
    EXPECT_EQ(pane.findChild<QPlainTextEdit*>("PreviewText")->toPlainText(), "second");

    // Nothing arrives after clear(), even from a read already in the worker.
    changed = true;
    QObject::connect(&pane, &PreviewPane::readStarted, &pane, [&] { pane.clear(); });
    show(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.count() == 3; }, 5000));
    QTest::qWait(300);
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(page(), "PreviewEmpty");
    EXPECT_EQ(info(), "");
}

TEST_F(PaneTest, QuickChangesDoNotQueueReads) {
    std::vector<StoredFile> files;
    for (int i = 0; i < 20; ++i)
        files.push_back({"file" + std::to_string(i) + ".txt", "text " + std::to_string(i)});
    open(files);
    QSignalSpy started(&pane, &PreviewPane::readStarted);
    QSignalSpy shown(&pane, &PreviewPane::previewShown);
    // A held arrow key, each change well within the delay of the one before: the first one
    // is read at once, the last one once the key is let go, none in between.
    pane.setDebounceInterval(150);
    for (std::size_t i = 0; i < files.size(); ++i) {
        show(i);
        QTest::qWait(10);
    }
    EXPECT_EQ(started.count(), 1);
    ASSERT_TRUE(shown.wait(5000));  // the first entry may have been shown meanwhile
    EXPECT_EQ(started.count(), 2);
    EXPECT_EQ(pane.findChild<QPlainTextEdit*>("PreviewText")->toPlainText(), "text 19");
}

TEST_F(PaneTest, DumpsReadOnlyWhatTheyShow) {
    // A big stored entry: its prefix is read, not the rest.
    const std::string big(32 << 20, 'b');
    // A big compressed entry whose stream is garbage past its first megabyte: inflating
    // more than the prefix would fail.
    std::string text;
    for (std::uint32_t i = 0, state = 7; i < (8u << 20); ++i) {
        state = state * 1103515245u + 12345u;
        text += "abcdefghijklmnop"[(state >> 16) & 15];
    }
    open({{"stored.bin", big, 0, false}, {"packed.bin", text}}, ArchiveLayout::POD5);
    std::string bytes = test::readFile(path);
    const CatalogueEntry& packed = catalogue[1];
    ASSERT_TRUE(packed.compressed);
    for (std::uint32_t i = 1 << 20; i < packed.storedSize; ++i)
        bytes[std::size_t(packed.offset + i)] = '\xFF';
    test::writeFile(path, bytes);

    pane.setEnglish(true);
    const std::uint64_t before = test::bytesReadSoFar();
    showAndWait(0);
    EXPECT_LE(test::bytesReadSoFar() - before, 1u << 20);
    EXPECT_EQ(info(), "64 KiB of 32 MiB shown");
    EXPECT_EQ(reason(), "No preview for .BIN files: here are their first bytes.");
    EXPECT_EQ(dump().count('\n'), 8191);  // eight bytes a line

    showAndWait(1);
    EXPECT_EQ(info(), "64 KiB of 8 MiB shown");
    EXPECT_EQ(reason(), "No preview for .BIN files: here are their first bytes.");
    EXPECT_TRUE(dump().split('\n').last().endsWith(QString::fromStdString(text.substr(65528, 8))));
}

TEST_F(PaneTest, SoundsPlayFromATemporaryCopy) {
    open({{"beep.WAV", test::toneWav(2000, 9000)}, {"notes.txt", "text"}});
    showAndWait(0);
    auto* play = pane.findChild<QPushButton*>("PreviewPlay");
    EXPECT_EQ(play->text(), "Lire");
    QMediaPlayer* player = pane.findChild<QMediaPlayer*>();
    EXPECT_TRUE(player->source().isEmpty());  // nothing is written before Play
    // The copy is written in the worker; the button waits for it.
    QSignalSpy copied(pane.findChild<SoundPage*>("PreviewSound"), &SoundPage::copyFinished);
    play->click();
    EXPECT_FALSE(play->isEnabled());
    ASSERT_TRUE(copied.wait(10000));
    EXPECT_TRUE(play->isEnabled());
    const QString copy = player->source().toLocalFile();
    ASSERT_FALSE(copy.isEmpty());
    EXPECT_EQ(test::readFile(copy.toStdString()), test::toneWav(2000, 9000));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return player->playbackState() == QMediaPlayer::PlayingState; }, 5000));
    EXPECT_EQ(play->text(), "Arrêter");
    play->click();
    EXPECT_EQ(player->playbackState(), QMediaPlayer::StoppedState);
    EXPECT_EQ(play->text(), "Lire");

    // Another entry stops the sound and removes its copy.
    play->click();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return player->playbackState() == QMediaPlayer::PlayingState; }, 5000));
    show(1);
    EXPECT_EQ(player->playbackState(), QMediaPlayer::StoppedState);
    EXPECT_TRUE(player->source().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(copy));
}

}  // namespace
}  // namespace kelvane
