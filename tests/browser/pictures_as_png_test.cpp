#include <QCheckBox>
#include <QMimeData>
#include <QUrl>
#include <filesystem>

#include "imaging/raw_texture.h"
#include "tests/browser/main_window_fixture.h"
#include "tests/support/decoded_picture.h"
#include "tests/support/image_builders.h"

namespace kelvane::test {
namespace {

namespace fs = std::filesystem;

const std::string kPixels = "\x01\x02\x03\x04";  // a 2 x 2 texture

std::string palette() {
    std::string colours(768, '\0');
    for (int i = 0; i < 768; ++i) colours[std::size_t(i)] = char(i * 7);
    return colours;
}

// A texture pair, a bitmap and then a Targa of the same PNG name, a picture that does not
// decode and a text.
const std::vector<StoredFile> kFiles = {
    {"TEX\\A.ACT", palette(), 0},
    {"TEX\\A.RAW", kPixels, 0},
    {"OTHER\\P.BMP", buildBmp({2, 2}, std::string(16, '\x40')), 0},
    {"PIC\\P.TGA", flatTarga(3, 2), 0},
    {"PIC\\BAD.BMP", "BM not a bitmap", 0},
    {"DOC.TXT", "text", 0},
};

class PicturesAsPngTest : public MainWindowTest {
  protected:
    QCheckBox* png() { return window().findChild<QCheckBox*>("cbPng"); }
    void tickAll() {
        for (int row = 0; row < rows(); ++row) clickCell(row, 0);
    }
};

TEST_F(PicturesAsPngTest, TheTickBoxIsKeptOverARestart) {
    ASSERT_NE(png(), nullptr);
    EXPECT_EQ(png()->text(), "Convertir les images en PNG");
    EXPECT_FALSE(png()->isChecked());
    png()->setChecked(true);
    window().close();
    form.reset();
    EXPECT_NE(readFile(iniPath()).find("png=1"), std::string::npos);
    EXPECT_TRUE(png()->isChecked());
}

TEST_F(PicturesAsPngTest, ExtractionAndDragsWritePicturesAsPngAndTheRestAsStored) {
    open(archive("a.POD", ArchiveLayout::POD, kFiles));
    png()->setChecked(true);
    tickAll();
    const fs::path out = dir.path() / "out";
    fs::create_directory(out);
    desktop.directoryAnswers.push_back(QString::fromStdString(out.string()));
    click("btnExtractFile");

    std::vector<std::string> written;
    for (const auto& item : fs::directory_iterator(out))
        written.push_back(item.path().filename().string());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"A.png", "BAD.BMP", "DOC.TXT", "P.png"}));
    EXPECT_EQ(decodedPixels(readFile(out / "A.png"), "png").pixels,
              decodedPixels(rawTextureToBmp(kPixels, palette()), "bmp").pixels);
    // The Targa, extracted after the bitmap, is the P.png left.
    EXPECT_EQ(decodedPixels(readFile(out / "P.png"), "png").pixels,
              decodedPixels(flatTarga(3, 2), "tga").pixels);
    EXPECT_EQ(readFile(out / "BAD.BMP"), "BM not a bitmap");
    EXPECT_EQ(readFile(out / "DOC.TXT"), "text");
    // The note on the picture written as stored, then the one on the names written twice.
    ASSERT_EQ(desktop.messages.size(), 1u);
    const std::string said = desktop.messages[0].text.toStdString();
    EXPECT_NE(said.find("L'image PIC\\BAD.BMP est écrite telle quelle : "), std::string::npos);
    EXPECT_NE(said.find("The picture PIC\\BAD.BMP is written as stored: "), std::string::npos);
    EXPECT_NE(said.find("2 entries had the same name without their folder: P.png."),
              std::string::npos)
        << said;

    // A drag writes the same files.
    QAbstractItemModel* model = grid()->model();
    QModelIndexList all;
    for (int row = 0; row < rows(); ++row) all << model->index(row, 1);  // the names
    const std::unique_ptr<QMimeData> dropped(model->mimeData(all));
    std::vector<std::string> urls;
    for (const QUrl& url : dropped->urls()) urls.push_back(url.fileName().toStdString());
    EXPECT_EQ(urls, written);
    EXPECT_EQ(decodedPixels(readFile(dropped->urls()[0].toLocalFile().toStdString()), "png").pixels,
              decodedPixels(readFile(out / "A.png"), "png").pixels);
}

}  // namespace
}  // namespace kelvane::test
