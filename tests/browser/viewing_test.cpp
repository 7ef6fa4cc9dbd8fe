#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <filesystem>

#include "decoders/FichierBGR.h"
#include "decoders/FichierDBF.h"
#include "decoders/FichierKEY.h"
#include "imaging/raw_texture.h"
#include "tests/browser/main_window_fixture.h"
#include "viewers/FichierIMG.h"
#include "viewers/FichierTXT.h"
#include "viewers/FichierWav.h"
#include "viewers/viewer_windows.h"

namespace kelvane::test {
namespace {

namespace fs = std::filesystem;
using Kind = DesktopServices::MessageKind;

std::string palette(char seed) {
    std::string bytes(768, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 3 + seed);
    return bytes;
}

// The main window with the real viewer windows; every window shown is recorded with what
// it showed.
class ViewingTest : public MainWindowTest {
  protected:
    struct Shown {
        QDialog* window;
        QString caption;
        bool copyPresent;     // the file the caption names exists while the window is up
        std::string content;  // the memo's text
        QImage picture;       // the picture window's view
    };

    void SetUp() override {
        MainWindowTest::SetUp();
        // The known-extensions table beside the program, so activation shows no warning.
        writeFile(dir.path() / "TypeFichier.csv", "Ext.;Visionneuse\r\n");
        fs::create_directory(work());
        settings().workDirectory = work().string() + "/";
        viewers = std::make_unique<ViewerWindowSet>(&window());
        window().setViewerWindows(viewers->windows());
        desktop.onModal = [this](QDialog& shown) {
            const QString caption = shown.windowTitle();
            std::string content;
            QImage picture;
            if (&shown == viewers->formTXT) {
                content = viewers->formTXT->memo()->toPlainText().toStdString();
            } else if (&shown == viewers->formIMG) {
                picture = shown.findChild<QLabel*>("Image")->pixmap().toImage().convertToFormat(
                    QImage::Format_RGB32);
            }
            this->shown.push_back({&shown, caption, QFileInfo::exists(caption), content, picture});
        };
    }

    // A converted texture as Qt's own bitmap reader sees it.
    static QImage bitmap(const std::string& bytes) {
        return QImage::fromData(QByteArray::fromStdString(bytes), "BMP")
            .convertToFormat(QImage::Format_RGB32);
    }
    static QImage texture(const std::string& pixels, const std::string& palette) {
        return bitmap(rawTextureToBmp(pixels, palette));
    }

    fs::path work() const { return dir.path() / "work"; }
    std::vector<std::string> workContents() const {
        std::vector<std::string> names;
        for (const auto& item : fs::directory_iterator(work()))
            names.push_back(item.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // Double-clicks the row whose name column reads `name`, wherever sorting put it.
    void view(const QString& name) {
        const int row = column(1).indexOf(name);
        ASSERT_GE(row, 0) << name.toStdString();
        doubleClickCell(row, 1);
    }
    void viewFromDisk(const fs::path& path) {
        desktop.openFileAnswers.push_back(QString::fromStdString(path.string()));
        click("btnOpenFile");
    }

    std::unique_ptr<ViewerWindowSet> viewers;
    std::vector<Shown> shown;
};

TEST_F(ViewingTest, EveryRowOfTheDemoArchiveOpensItsViewerAndLeavesOnlyTheConvertedTexture) {
    open(KELVANE_DEMO_ARCHIVE);
    ASSERT_EQ(rows(), 12);
    const std::map<QString, QDialog*> expected = {
        {"TXT", viewers->formTXT}, {"WAV", viewers->formWAV}, {"BMP", viewers->formIMG},
        {"JPG", viewers->formIMG}, {"TGA", viewers->formIMG}, {"TIF", viewers->formIMG},
        {"RAW", viewers->formIMG}, {"ACT", viewers->formIMG}, {"KEY", viewers->formKey},
        {"DBF", viewers->formDBF}, {"BGR", viewers->formBGR},
    };
    for (int row = 0; row < rows(); ++row) {
        const QString name = cell(row, 1);
        const auto window = expected.find(name.section('.', -1));
        ASSERT_NE(window, expected.end()) << name.toStdString();
        shown.clear();
        doubleClickCell(row, 1);
        ASSERT_EQ(shown.size(), 1u) << name.toStdString();
        EXPECT_EQ(shown[0].window, window->second) << name.toStdString();
        EXPECT_TRUE(shown[0].caption.endsWith(name.section('\\', -1))) << name.toStdString();
    }
    EXPECT_TRUE(desktop.messages.empty()) << desktop.messages[0].text.toStdString();
    // Both halves of the texture convert to the same picture, kept once.
    EXPECT_EQ(workContents(), std::vector<std::string>{"TEX01.BMP"});
}

TEST_F(ViewingTest, EveryViewerNamesTheEntryWhereTheWorkingDirectoryWouldHoldIt) {
    // The user's own files of every entry's name send the copies to a private folder.
    open(KELVANE_DEMO_ARCHIVE);
    for (const bool structure : {false, true}) {
        SCOPED_TRACE(structure);
        window().findChild<QCheckBox*>("cbStruct")->setChecked(structure);
        for (int row = 0; row < rows(); ++row) {
            const QString name = cell(row, 1);
            const fs::path mine =
                work() / (structure ? QString(name).replace('\\', '/') : name.section('\\', -1))
                             .toStdString();
            fs::create_directories(mine.parent_path());
            writeFile(mine, "mine");
            shown.clear();
            doubleClickCell(row, 1);
            ASSERT_EQ(shown.size(), 1u) << name.toStdString();
            EXPECT_EQ(shown[0].caption, QString::fromStdString(mine.string()));
            EXPECT_EQ(readFile(mine), "mine");
        }
    }
    EXPECT_TRUE(desktop.messages.empty()) << desktop.messages[0].text.toStdString();
}

TEST_F(ViewingTest, TheExtensionDecidesCaseInsensitivelyByItsLastDot) {
    open(archive("a.POD", ArchiveLayout::POD,
                 {{"readme.txt", "hello", 0},
                  {"MAP.BAK.Txt", "map", 0},
                  {"LEVEL\\deep.TXT", "deep", 0},
                  {"a.Wav", "RIFF", 0},
                  {"photo.jpeg", "jpeg", 0}}));
    view("readme.txt");
    view("MAP.BAK.Txt");
    view("a.Wav");
    view("photo.jpeg");
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].window, viewers->formTXT);
    EXPECT_EQ(shown[0].caption, QString::fromStdString((work() / "readme.txt").string()));
    EXPECT_TRUE(shown[0].copyPresent);
    EXPECT_EQ(shown[0].content, "hello");
    EXPECT_EQ(shown[1].content, "map");
    EXPECT_EQ(shown[2].window, viewers->formWAV);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].kind, Kind::Information);
    EXPECT_EQ(desktop.messages[0].text,
              "Le fichier photo.jpeg ne peut être montré. \r\nStructure inconnu.");

    // With the structure recreated, the level made for the copy goes with it.
    window().findChild<QCheckBox*>("cbStruct")->setChecked(true);
    view("LEVEL\\deep.TXT");
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[3].caption, QString::fromStdString((work() / "LEVEL" / "deep.TXT").string()));
    EXPECT_TRUE(shown[3].copyPresent);
    EXPECT_TRUE(workContents().empty());
}

TEST_F(ViewingTest, NamesHoldingMarkupAreShownAsText) {
    const std::string path =
        archive("<b>x.pod", ArchiveLayout::POD,
                {{"a&b<i>.txt", "<b>gras</b> &amp;", 0}, {"c&d<b>.zzz", "", 0}});
    open(path);
    EXPECT_EQ(window().windowTitle(), "Kelvane - " + QString::fromStdString(path));
    EXPECT_EQ(status(), "<b>x.pod - 2 fichiers pour 17 octets");
    EXPECT_EQ(column(1), (QStringList{"a&b<i>.txt", "c&d<b>.zzz"}));
    view("a&b<i>.txt");
    view("c&d<b>.zzz");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, QString::fromStdString((work() / "a&b<i>.txt").string()));
    EXPECT_EQ(shown[0].content, "<b>gras</b> &amp;");
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text,
              "Le fichier c&d<b>.zzz ne peut être montré. \r\nStructure inconnu.");
    // No label that shows a name may take it for markup.
    for (QLabel* label : window().findChildren<QLabel*>()) {
        if (label->text().contains('<')) {
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
        }
    }
}

TEST_F(ViewingTest, AUsersFileOfTheSameNameSurvivesAndAFailingViewerLeavesNoCopy) {
    writeFile(work() / "readme.txt", "mine");
    open(archive("a.POD", ArchiveLayout::POD,
                 {{"readme.txt", "stored", 0}, {"BAD.BMP", "not a picture", 0}}));
    view("readme.txt");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].content, "stored");
    // The copy went to a private folder; the caption names the entry all the same.
    EXPECT_EQ(shown[0].caption, QString::fromStdString((work() / "readme.txt").string()));

    view("BAD.BMP");
    EXPECT_EQ(shown.size(), 1u);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].kind, Kind::Error);
    EXPECT_EQ(readFile(work() / "readme.txt"), "mine");
    EXPECT_EQ(workContents(), std::vector<std::string>{"readme.txt"});
}

TEST_F(ViewingTest, TexturesPairWithTheirCompanionWhateverTheSortOrder) {
    const std::string pixels1(4, '\x01');
    std::string pixels2(16, '\0');
    for (std::size_t i = 0; i < pixels2.size(); ++i) pixels2[i] = char(i);
    open(archive("t.POD", ArchiveLayout::POD,
                 {{"TEX01.RAW", pixels1, 0},
                  {"TEX02.ACT", palette(2), 0},
                  {"SKIN.OPA", pixels2, 0},
                  {"TEX02.RAW", pixels2, 0},
                  {"TEX01.ACT", palette(1), 0},
                  {"SKIN.ACT", palette(3), 0},
                  {"TEX03.RAW", pixels1, 0},
                  {"tex03.act", palette(1), 0},
                  {"LONE.ACT", palette(1), 0}}));
    clickHeader(3);
    clickHeader(3);  // by size, descending
    view("TEX02.ACT");
    view("TEX01.RAW");
    view("SKIN.OPA");
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].window, viewers->formIMG);
    EXPECT_EQ(shown[0].caption, QString::fromStdString((work() / "TEX02.ACT").string()));
    EXPECT_EQ(shown[0].picture, texture(pixels2, palette(2)));
    EXPECT_EQ(shown[1].picture, texture(pixels1, palette(1)));
    EXPECT_EQ(shown[2].picture, texture(pixels2, palette(3)));
    EXPECT_TRUE(desktop.messages.empty());

    view("TEX03.RAW");
    view("LONE.ACT");
    EXPECT_EQ(shown.size(), 3u);
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_TRUE(desktop.messages[0].buttonless);
    EXPECT_EQ(desktop.messages[0].kind, Kind::Error);
    EXPECT_EQ(desktop.messages[0].text, "Fichier TEX03.ACT non trouvé\r\nFile TEX03.ACT not found");
    EXPECT_EQ(desktop.messages[1].text, "Fichier LONE.RAW non trouvé\r\nFile LONE.RAW not found");
    // The pictures stay in the working directory; the staged halves do not.
    EXPECT_EQ(workContents(), (std::vector<std::string>{"SKIN.BMP", "TEX01.BMP", "TEX02.BMP"}));
    EXPECT_EQ(bitmap(readFile(work() / "TEX01.BMP")), shown[1].picture);
}

TEST_F(ViewingTest, TheConverterIsCalledWhenSetUpAndReplacedWhenItFails) {
    const fs::path converter = dir.path() / "raw2bmp";
    fs::create_directory(converter);
    writeFile(converter / "raw2bmp.exe", "MZ");
    settings().rawDirectory = converter.string() + "/";
    desktop.onRunProgram = [&](const ScriptedDesktop::Program& program) {
        writeFile(program.arguments.at(0).toStdString() + ".BMP",
                  rawTextureToBmp("\x07", palette(9)));
    };
    open(archive("t.POD", ArchiveLayout::POD,
                 {{"TEX.01.RAW", std::string(4, '\0'), 0}, {"TEX.ACT", palette(1), 0}}));
    writeFile(work() / "TEX.BMP", "the user's own picture");
    view("TEX.01.RAW");
    ASSERT_EQ(desktop.programs.size(), 1u);
    const ScriptedDesktop::Program& call = desktop.programs[0];
    EXPECT_TRUE(call.waited);
    EXPECT_EQ(call.program, QString::fromStdString((converter / "raw2bmp.exe").string()));
    // The pair is converted in a private folder of the working directory.
    const QString folder = QFileInfo(call.arguments.value(0)).path();
    EXPECT_EQ(QFileInfo(folder).dir(), QDir(QString::fromStdString(work().string())));
    EXPECT_EQ(call.arguments, QStringList{folder + "/TEX"});
    EXPECT_EQ(QDir(call.workingDirectory), QDir(folder));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, QString::fromStdString((work() / "TEX.01.RAW").string()));
    EXPECT_EQ(shown[0].picture, texture("\x07", palette(9)));
    // The user's picture of that name stays; the new one takes a free name, and says so.
    EXPECT_EQ(readFile(work() / "TEX.BMP"), "the user's own picture");
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_NE(desktop.messages[0].text.indexOf("TEX (2).BMP"), -1);

    desktop.programsStart = false;
    view("TEX.01.RAW");
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].picture, texture(std::string(4, '\0'), palette(1)));
    EXPECT_EQ(workContents(), (std::vector<std::string>{"TEX (2).BMP", "TEX (3).BMP", "TEX.BMP"}));
}

TEST_F(ViewingTest, FilesFromDiskAreNeverChangedOrDeleted) {
    const fs::path disk = dir.path() / "disk";
    fs::create_directory(disk);
    writeFile(disk / "notes.txt", "notes");
    writeFile(disk / "TEX.RAW", std::string(4, '\x02'));
    writeFile(disk / "SKIN.OPA", std::string(4, '\x03'));
    writeFile(disk / "SKIN.act", palette(4));
    const std::string base = (disk / "TEX").string();
    const std::string missing =
        "Fichier " + base + ".ACT non trouvé\r\nFile " + base + ".ACT not found";
    viewFromDisk(disk / "TEX.RAW");  // no archive open
    // A palette of that name in the listing, on the current row, is not the file's companion.
    open(archive("t.POD", ArchiveLayout::POD, {{"TEX.ACT", palette(1), 0}}));
    clickCell(0, 1);
    viewFromDisk(disk / "TEX.RAW");
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[0].text.toStdString(), missing);
    EXPECT_EQ(desktop.messages[1].text.toStdString(), missing);

    viewFromDisk(disk / "notes.txt");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, QString::fromStdString((disk / "notes.txt").string()));

    // No working directory: the texture is converted in a private temporary folder, which goes.
    const auto privateFolders = [] {
        return std::count_if(fs::directory_iterator(fs::temp_directory_path()),
                             fs::directory_iterator(), [](const fs::directory_entry& item) {
                                 return item.path().filename().string().starts_with(".kelvane-");
                             });
    };
    const auto foldersBefore = privateFolders();
    settings().workDirectory.clear();
    viewFromDisk(disk / "SKIN.OPA");
    EXPECT_EQ(privateFolders(), foldersBefore);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].caption, QString::fromStdString((disk / "SKIN.OPA").string()));
    EXPECT_EQ(shown[1].picture, texture(std::string(4, '\x03'), palette(4)));

    EXPECT_EQ(readFile(disk / "notes.txt"), "notes");
    EXPECT_EQ(readFile(disk / "SKIN.OPA"), std::string(4, '\x03'));
    EXPECT_EQ(std::distance(fs::directory_iterator(disk), fs::directory_iterator()), 4);
    EXPECT_TRUE(workContents().empty());
}

TEST_F(ViewingTest, AnEntryCutShortByTheArchiveIsNamedOnceEachCommandEnds) {
    std::string bytes =
        buildArchive(ArchiveLayout::POD, {{"a.txt", "whole", 0}, {"last.txt", "0123456789", 0}});
    bytes.resize(bytes.size() - 4);  // the last entry's data come last
    const fs::path path = dir.path() / "cut.POD";
    writeFile(path, bytes);
    open(path.string());
    const QString cut =
        QStringLiteral("\"last.txt\" is cut short by the end of the archive: 6 of 10");

    view("last.txt");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].content, "012345");
    view("a.txt");
    trigger("OuvriravecPaint1");  // the current row is a.txt: nothing to say
    clickCell(column(1).indexOf("last.txt"), 1);
    trigger("OuvriravecPaint1");
    clickHeader(0);  // tick every row
    desktop.directoryAnswers.push_back(QString::fromStdString(work().string()));
    click("btnExtractFile");

    ASSERT_EQ(desktop.messages.size(), 3u);
    for (const auto& message : desktop.messages) {
        EXPECT_NE(message.text.indexOf(cut), -1) << message.text.toStdString();
        EXPECT_NE(message.text.indexOf(QStringLiteral("\r\n")), -1);  // French, then English
    }
    EXPECT_EQ(readFile(work() / "last.txt"), "012345");
    EXPECT_EQ(readFile(work() / "a.txt"), "whole");
}

}  // namespace
}  // namespace kelvane::test
