#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

#include "platform/desktop_services.h"
#include "settings/settings.h"
#include "tests/support/decoded_picture.h"
#include "tests/support/image_builders.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"
#include "viewers/FichierIMG.h"

namespace kelvane {
namespace {

using test::ScriptedDesktop;
using test::TempDir;

// A 24-bit bitmap whose every pixel tells its place: blue = x, green = y, red = x / 256 * 16
// + y / 256.
std::string patternBmp(int width, int height) {
    std::string rows;
    const int rowBytes = (width * 3 + 3) / 4 * 4;
    for (int y = height - 1; y >= 0; --y) {  // stored bottom-up
        std::string row;
        for (int x = 0; x < width; ++x) {
            row += static_cast<char>(x & 0xFF);
            row += static_cast<char>(y & 0xFF);
            row += static_cast<char>((x >> 8) * 16 + (y >> 8));
        }
        row.resize(rowBytes, '\0');
        rows += row;
    }
    return test::buildBmp({width, height}, rows);
}

QRgb patternAt(int x, int y) {
    return qRgb((x >> 8) * 16 + (y >> 8), y & 0xFF, x & 0xFF);
}

QString firstPanel(TformIMG& window) {
    return window.findChild<QStatusBar*>("StatusBar")->findChildren<QLabel*>().at(0)->text();
}

TEST(PictureWindow, LargePictureClippedAroundItsCentre) {
    ScriptedDesktop desktop;
    TempDir dir;
    const auto path = dir.path() / "<b>big&.bmp";
    test::writeFile(path, patternBmp(640, 480));
    TformIMG window;
    EXPECT_EQ(window.windowTitle(), "Fichier Image");
    window.load(QString::fromStdString(path.string()));
    EXPECT_EQ(window.windowTitle().toStdString(), path.string());
    EXPECT_EQ(firstPanel(window), "640 x 480");
    for (QLabel* panel : window.findChild<QStatusBar*>("StatusBar")->findChildren<QLabel*>())
        EXPECT_EQ(panel->textFormat(), Qt::PlainText);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    window.show();
    EXPECT_EQ(window.size(), QSize(256, 308));
    auto* view = window.findChild<QLabel*>("Image");
    ASSERT_EQ(view->size(), QSize(256, 256));
    const QImage shown = view->grab().toImage();
    // The view's corners are the picture's central 256 x 256 square, pixel for pixel.
    EXPECT_EQ(shown.pixel(0, 0), patternAt(192, 112));
    EXPECT_EQ(shown.pixel(255, 0), patternAt(447, 112));
    EXPECT_EQ(shown.pixel(0, 255), patternAt(192, 367));
    EXPECT_EQ(shown.pixel(255, 255), patternAt(447, 367));
    EXPECT_EQ(window.findChild<QPushButton*>("btnQuit")->text(), "Quitter");
}

TEST(PictureWindow, SmallPictureCentredNotStretched) {
    ScriptedDesktop desktop;
    TempDir dir;
    const auto path = dir.path() / "small.bmp";
    test::writeFile(path, patternBmp(100, 50));
    TformIMG window;
    window.load(QString::fromStdString(path.string()));
    EXPECT_EQ(firstPanel(window), "100 x 50");
    window.show();
    const QImage shown = window.findChild<QLabel*>("Image")->grab().toImage();
    EXPECT_EQ(shown.pixel(78, 103), patternAt(0, 0));
    EXPECT_EQ(shown.pixel(177, 152), patternAt(99, 49));
    EXPECT_NE(shown.pixel(77, 103), patternAt(0, 0));
    EXPECT_NE(shown.pixel(178, 152), patternAt(99, 49));
}

TEST(PictureWindow, UndecodablePictureReportsAndIsNotShown) {
    ScriptedDesktop desktop;
    TempDir dir;
    const auto broken = dir.path() / "broken.bmp";
    test::writeFile(broken, "BM this is not a bitmap");
    const auto unknown = dir.path() / "picture.xyz";
    test::writeFile(unknown, patternBmp(4, 4));
    TformIMG window;
    for (const auto& path : {broken, unknown}) {
        // As the viewer dispatch does: load, then show.
        guarded(nullptr, [&] {
            window.load(QString::fromStdString(path.string()));
            desktop.showModal(&window);
        });
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
    EXPECT_TRUE(desktop.modalWindows.empty());
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[0].kind, DesktopServices::MessageKind::Error);
    EXPECT_FALSE(desktop.messages[0].text.isEmpty());
    // The message is in the interface's language.
    EXPECT_EQ(desktop.messages[1].text, "Extension de fichier image inconnue (.xyz)");
    settings().language = "english";
    guarded(nullptr, [&] { window.load(QString::fromStdString(unknown.string())); });
    settings().language.clear();
    ASSERT_EQ(desktop.messages.size(), 3u);
    EXPECT_EQ(desktop.messages[2].text, "Unknown picture file extension (.xyz)");
}

TEST(PictureWindow, SaveAsPngWritesThePictureWhole) {
    ScriptedDesktop desktop;
    TempDir dir;
    const auto path = dir.path() / "big.bmp";
    const std::string bitmap = patternBmp(640, 480);
    test::writeFile(path, bitmap);
    settings().workDirectory = dir.path().string() + "/";
    TformIMG window;
    window.load(QString::fromStdString(path.string()));
    auto* save = window.findChild<QPushButton*>("btnSavePng");
    EXPECT_EQ(save->text(), "Enregistrer en PNG...");
    std::filesystem::create_directory(dir.path() / "out");
    // Cancelled, saved (".png" added), saved again where the last one went, refused.
    desktop.saveFileAnswers = {"", QString::fromStdString((dir.path() / "out" / "copy").string()),
                               QString::fromStdString((dir.path() / "out" / "again.png").string()),
                               QString::fromStdString((dir.path() / "none" / "x.png").string())};
    for (int click = 0; click < 4; ++click) save->click();
    settings() = Settings{};
    ASSERT_EQ(desktop.saveFileRequests.size(), 4u);
    EXPECT_EQ(desktop.saveFileRequests[0].initialDirectory.toStdString(),
              (dir.path() / "big.png").string());
    EXPECT_EQ(desktop.saveFileRequests[2].initialDirectory.toStdString(),
              (dir.path() / "out" / "big.png").string());
    for (const char* name : {"copy.png", "again.png"})
        EXPECT_EQ(test::decodedPixels(test::readFile(dir.path() / "out" / name), "png").pixels,
                  test::decodedPixels(bitmap, "bmp").pixels);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_NE(desktop.messages[0].text.indexOf("x.png"), -1)
        << desktop.messages[0].text.toStdString();
}

}  // namespace
}  // namespace kelvane
