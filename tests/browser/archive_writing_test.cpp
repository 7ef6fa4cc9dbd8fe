#include <sys/stat.h>

#include <QContextMenuEvent>
#include <QCryptographicHash>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QProgressDialog>
#include <QScopedValueRollback>
#include <QTimer>
#include <QUrl>
#include <utility>

#include "archive/pod_reader.h"
#include "archive/verification.h"
#include "browser/catalogue_model.h"
#include "browser/command_progress.h"
#include "imaging/ImageFormats.h"
#include "imaging/texture_maker.h"
#include "tests/browser/main_window_fixture.h"
#include "tests/support/archive_builder.h"
#include "tests/support/image_builders.h"

namespace kelvane::test {
namespace {

using Kind = DesktopServices::MessageKind;
using Entries = StoredContents;

const char* const kCreate = "NouvellearchivePODEPD1";
const char* const kAdd = "AjouterdesfichiersPODEPD1";
const char* const kDelete = "SupprimerlesentreescocheesPODEPD1";

using NamesAndDigests = std::vector<std::pair<QString, QByteArray>>;

// The names and SHA-256 digests the independent reader finds, once it sees every checksum hold.
NamesAndDigests independentlyRead(const std::filesystem::path& path, const char* layout) {
    QProcess reader;
    reader.start("python3", {KELVANE_INDEPENDENT_READER, QString::fromStdString(path.string())});
    EXPECT_TRUE(reader.waitForFinished(30000));
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    const QJsonObject result = QJsonDocument::fromJson(reader.readAllStandardOutput()).object();
    EXPECT_EQ(result["layout"].toString(), layout);
    NamesAndDigests found;
    for (const QJsonValue entry : result["entries"].toArray())
        found.emplace_back(entry["name"].toString(), entry["sha256"].toString().toLatin1());
    return found;
}

// The entries of the archive at `path`, read back, once every checksum is seen to hold by this
// program's reader and by the independent one.
Entries readBack(const std::filesystem::path& path, const char* layout) {
    TPOD pod(path.string());
    pod.ReadHeaderAndDirectory();
    EXPECT_EQ(pod.layout().name, std::string_view(layout));
    const VerificationReport report =
        verifyArchive(pod, [](std::int64_t, std::int64_t) { return true; });
    EXPECT_TRUE(report.allHold()) << report.summaryEnglish();
    const Entries entries = storedContents(pod);
    NamesAndDigests expected;
    for (const auto& [name, bytes] : entries)
        expected.emplace_back(
            QString::fromStdString(name),
            QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256)
                .toHex());
    EXPECT_EQ(independentlyRead(path, layout), expected);
    return entries;
}

class ArchiveWritingTest : public MainWindowTest {
  protected:
    std::filesystem::path folder() const { return dir.path() / "folder"; }
    std::filesystem::path listed() const { return dir.path() / "listed.POD"; }

    void makeFile(const std::string& name, const std::string& bytes) {
        std::filesystem::create_directories((folder() / name).parent_path());
        writeFile(folder() / name, bytes);
    }
    QString inFolder(const std::string& name) const {
        return QString::fromStdString((folder() / name).string());
    }
    // Opens listed.POD holding one.txt, two.txt and three.txt.
    void openListed() {
        writeArchive(listed(), ArchiveLayout::POD,
                     {{"one.txt", "1", 100}, {"two.txt", "22", 200}, {"three.txt", "333", 300}});
        open(listed().string());
    }
    void dropOnListing(const QStringList& paths) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
        mime.setUrls(urls);
        QWidget* viewport = grid()->viewport();
        const QPoint at = viewport->mapTo(&window(), viewport->rect().center());
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&window(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QCoreApplication::sendEvent(&window(), &drop);
    }
    // Right-clicks the listing's row `row`, which opens its menu.
    void rightClickRow(int row) {
        QWidget* viewport = grid()->viewport();
        const QPoint at = grid()->visualRect(grid()->model()->index(row, kColName)).center();
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
        QCoreApplication::sendEvent(viewport, &click);
    }
    std::vector<QString> errors() const {
        std::vector<QString> texts;
        for (const auto& message : desktop.messages)
            if (message.kind == Kind::Error) texts.push_back(message.text);
        return texts;
    }
};

TEST_F(ArchiveWritingTest, NewArchivePacksTheFolderByItsExtension) {
    makeFile("b.txt", "bravo");
    makeFile("sub/deep.txt", std::string(70000, 'd'));
    ASSERT_EQ(mkfifo((folder() / "pipe").c_str(), 0600), 0);
    const Entries packed = {{"b.txt", "bravo"}, {"sub\\deep.txt", std::string(70000, 'd')}};
    struct Case {
        const char* name;
        const char* layout;  // empty: refused
    };
    for (const Case& c : {Case{"new.POD", "POD3"}, Case{"new.EPD", "EPD"}, Case{"new.zip", ""}}) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path target = dir.path() / c.name;
        desktop.messages.clear();
        desktop.directoryAnswers.push_back(QString::fromStdString(folder().string()));
        desktop.saveFileAnswers.push_back(QString::fromStdString(target.string()));
        trigger(kCreate);
        EXPECT_EQ(desktop.saveFileRequests.back().titleOrFilter,
                  "Fichiers Fly! POD/EPD|*.POD;*.EPD");
        ASSERT_EQ(desktop.messages.size(), 1u);
        const QString text = desktop.messages[0].text;
        if (*c.layout == '\0') {
            EXPECT_EQ(desktop.messages[0].kind, Kind::Error);
            EXPECT_TRUE(text.contains("extension .POD ou .EPD")) << text.toStdString();
            EXPECT_FALSE(std::filesystem::exists(target));
            continue;
        }
        EXPECT_EQ(desktop.messages[0].kind, Kind::Warning);
        EXPECT_TRUE(text.contains("pipe : pas un fichier ordinaire")) << text.toStdString();
        EXPECT_TRUE(text.contains("pipe: not a regular file")) << text.toStdString();
        EXPECT_EQ(readBack(target, c.layout), packed);
        EXPECT_EQ(column(kColName), (QStringList{"b.txt", "sub\\deep.txt"}));
        EXPECT_EQ(status(), QString(c.name) + " - 2 fichiers pour 70005 octets");
    }
}

TEST_F(ArchiveWritingTest, AddReplacesAnEntryOfTheSameNameAndAppendsTheOthers) {
    makeFile("TWO.TXT", "deux");
    makeFile("four.txt", "quatre");
    struct Case {
        ArchiveLayout built;
        const char* layout;
        const char* extension;
    };
    for (const Case& c :
         {Case{ArchiveLayout::POD, "POD2", ".POD"}, Case{ArchiveLayout::POD1, "POD1", ".POD"},
          Case{ArchiveLayout::POD3, "POD3", ".POD"}, Case{ArchiveLayout::EPD, "EPD", ".EPD"}}) {
        SCOPED_TRACE(c.layout);
        const std::filesystem::path archive = dir.path() / (std::string(c.layout) + c.extension);
        writeArchive(archive, c.built,
                     {{"one.txt", "1", 100}, {"two.txt", "22", 200}, {"three.txt", "333", 300}});
        open(archive.string());
        desktop.openFilesAnswers.push_back({inFolder("four.txt"), inFolder("TWO.TXT")});
        trigger(kAdd);
        EXPECT_TRUE(desktop.messages.empty());
        EXPECT_EQ(readBack(archive, c.layout), (Entries{{"one.txt", "1"},
                                                        {"TWO.TXT", "deux"},
                                                        {"three.txt", "333"},
                                                        {"four.txt", "quatre"}}));
        EXPECT_EQ(column(kColName), (QStringList{"one.txt", "TWO.TXT", "three.txt", "four.txt"}));
        EXPECT_EQ(status(), QString::fromStdString(archive.filename().string()) +
                                " - 4 fichiers pour 14 octets");
    }

    // Archives of the layouts that are only read cannot be changed.
    writeArchive(dir.path() / "read.POD", ArchiveLayout::POD6, {{"a.txt", "a", 1}});
    open((dir.path() / "read.POD").string());
    for (const char* action : {kAdd, kDelete})
        EXPECT_FALSE(window().findChild<QAction*>(action)->isEnabled()) << action;
    EXPECT_TRUE(window().findChild<QAction*>(kCreate)->isEnabled());
}

TEST_F(ArchiveWritingTest, ReplaceTextureInTheRightClickMenuRewritesThePair) {
    const std::string picture = (dir.path() / "sky.tga").string();
    writeFile(picture, flatTarga(2, 2));
    const Texture texture = makeTexture(*LoadPicture(picture));
    const std::filesystem::path archive = dir.path() / "tex.POD";
    writeArchive(archive, ArchiveLayout::POD3,
                 {{"README.TXT", "text", 1},
                  {"TEX\\sky.RAW", "pppp", 2},
                  {"TEX\\sky.ACT", std::string(768, 'c'), 3}});
    open(archive.string());
    QAction* replace = window().findChild<QAction*>("Remplacerlatexture1");
    ASSERT_NE(replace, nullptr);
    // The menu offers it on texture halves only.
    for (const auto& [row, offered] : {std::pair{0, false}, std::pair{2, true}}) {
        rightClickRow(row);
        EXPECT_EQ(replace->isVisible(), offered) << row;
        EXPECT_EQ(replace->isEnabled(), offered) << row;  // a hidden action is disabled too
        window().findChild<QMenu*>("PopupMenu1")->hide();
    }
    EXPECT_EQ(replace->text(), "Remplacer la texture...");
    desktop.openFileAnswers.push_back(QString::fromStdString(picture));
    replace->trigger();
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(readBack(archive, "POD3"), (Entries{{"README.TXT", "text"},
                                                  {"TEX\\sky.RAW", texture.indices},
                                                  {"TEX\\sky.ACT", texture.palette}}));
    EXPECT_EQ(column(kColName), (QStringList{"README.TXT", "TEX\\sky.RAW", "TEX\\sky.ACT"}));
    EXPECT_EQ(grid()->currentIndex().row(), 2);

    // A picture that is not square is refused with its size; the archive stays as it is.
    const std::string before = readFile(archive);
    writeFile(picture, flatTarga(3, 2));
    desktop.openFileAnswers.push_back(QString::fromStdString(picture));
    replace->trigger();
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_TRUE(errors()[0].contains("3 x 2")) << errors()[0].toStdString();
    EXPECT_EQ(readFile(archive), before);

    // Not on an archive that is only read.
    writeArchive(dir.path() / "read.POD", ArchiveLayout::POD5, {{"sky.RAW", "pppp", 1}});
    open((dir.path() / "read.POD").string());
    rightClickRow(0);
    EXPECT_TRUE(replace->isVisible());
    EXPECT_FALSE(replace->isEnabled());
    window().findChild<QMenu*>("PopupMenu1")->hide();
}

TEST_F(ArchiveWritingTest, DeleteAsksThenRemovesTheTickedEntries) {
    openListed();
    clickCell(0, kColTick);
    clickCell(2, kColTick);
    const std::string before = readFile(listed());
    desktop.yesNoAnswers = {DesktopServices::Answer::No, DesktopServices::Answer::Yes};
    trigger(kDelete);
    EXPECT_EQ(readFile(listed()), before);
    trigger(kDelete);
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[1].text,
              "Supprimer 2 entrées de listed.POD ?\r\nDelete 2 entries from listed.POD?");
    EXPECT_EQ(readBack(listed(), "POD2"), (Entries{{"two.txt", "22"}}));
    EXPECT_EQ(column(kColName), (QStringList{"two.txt"}));
    EXPECT_EQ(status(), "listed.POD - 1 fichiers pour 2 octets");
}

TEST_F(ArchiveWritingTest, FilesDroppedOnTheListingAreAddedOnceConfirmed) {
    openListed();
    makeFile("dropped/x.txt", "x");
    makeFile("dropped/y.txt", "yy");
    makeFile("z.txt", "zzz");
    const QStringList dropped = {inFolder("dropped"), inFolder("z.txt")};
    const std::string before = readFile(listed());
    desktop.yesNoAnswers = {DesktopServices::Answer::No, DesktopServices::Answer::Yes};
    dropOnListing(dropped);
    EXPECT_EQ(readFile(listed()), before);
    EXPECT_EQ(rows(), 3);
    dropOnListing(dropped);
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[0].text,
              "Ajouter 3 fichiers à listed.POD ?\r\nAdd 3 files to listed.POD?");
    EXPECT_EQ(column(kColName),
              (QStringList{"one.txt", "two.txt", "three.txt", "x.txt", "y.txt", "z.txt"}));
    EXPECT_EQ(readBack(listed(), "POD2").back(),
              (std::pair<std::string, std::string>{"z.txt", "zzz"}));
}

TEST_F(ArchiveWritingTest, CancelledWriteLeavesNothing) {
    const QScopedValueRollback<int> atOnce(CommandProgress::showDelayMs, 0);
    for (int i = 0; i < 40; ++i) makeFile("f" + std::to_string(i) + ".txt", std::string(5000, 'c'));
    const TempDir output;
    QProgressDialog* shown = nullptr;
    QTimer canceller;
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        shown = window().findChild<QProgressDialog*>("WriteProgress");
        if (shown != nullptr && shown->isVisible()) shown->cancel();
    });
    canceller.start(0);
    desktop.directoryAnswers.push_back(QString::fromStdString(folder().string()));
    desktop.saveFileAnswers.push_back(QString::fromStdString((output.path() / "new.POD").string()));
    trigger(kCreate);
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(namesIn(output.path()).empty());
    EXPECT_EQ(rows(), 0);
}

TEST_F(ArchiveWritingTest, FailedAdditionKeepsTheArchiveListedAndUnchanged) {
    openListed();
    makeFile("\xE6\x97\xA5\xE6\x9C\xAC.txt", "nihon");  // 日本: no Windows-1252 form
    makeFile("gone.txt", "gone");
    std::filesystem::remove(folder() / "gone.txt");  // removed between the pick and the write
    const std::string before = readFile(listed());
    for (const char* name : {"\xE6\x97\xA5\xE6\x9C\xAC.txt", "gone.txt"}) {
        SCOPED_TRACE(name);
        desktop.messages.clear();
        desktop.openFilesAnswers.push_back({inFolder("ok.txt"), inFolder(name)});
        makeFile("ok.txt", "ok");
        trigger(kAdd);
        ASSERT_EQ(errors().size(), 1u);
        EXPECT_TRUE(errors()[0].contains(name)) << errors()[0].toStdString();
        EXPECT_EQ(readFile(listed()), before);
        EXPECT_EQ(column(kColName), (QStringList{"one.txt", "two.txt", "three.txt"}));
        EXPECT_EQ(status(), "listed.POD - 3 fichiers pour 6 octets");
    }
}

TEST_F(ArchiveWritingTest, AnArchiveNotReadWholeIsNeverRewritten) {
    // The last entry cut short by the end of the file: listed, but not written back.
    writeArchive(listed(), ArchiveLayout::POD, {{"one.txt", "1"}, {"two.txt", "22222"}});
    const std::string cut = readFile(listed()).substr(0, readFile(listed()).size() - 2);
    writeFile(listed(), cut);
    open(listed().string());
    ASSERT_EQ(rows(), 2);
    makeFile("z.txt", "z");
    clickCell(0, kColTick);
    trigger(kAdd);
    trigger(kDelete);
    dropOnListing({inFolder("z.txt")});
    ASSERT_EQ(errors().size(), 3u);
    for (const QString& error : errors()) {
        EXPECT_TRUE(
            error.endsWith("The archive cannot be rewritten without loss: entry 2 "
                           "\"two.txt\" ends past the end of the file (at byte 158 of "
                           "a file of 156 bytes). It is left as it is."))
            << error.toStdString();
    }
    EXPECT_EQ(desktop.messages.size(), 3u);  // no file picked, no question asked
    EXPECT_EQ(readFile(listed()), cut);
}

}  // namespace
}  // namespace kelvane::test
