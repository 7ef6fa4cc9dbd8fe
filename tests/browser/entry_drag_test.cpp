#include <QCheckBox>
#include <QMimeData>
#include <QUrl>
#include <algorithm>
#include <filesystem>

#include "browser/entry_drag.h"
#include "tests/browser/main_window_fixture.h"

namespace kelvane::test {
namespace {

namespace fs = std::filesystem;

const std::vector<StoredFile> kFiles = {{"..\\ESCAPE.TXT", "evil", 0},
                                        {"BAD\\..", "dots", 0},
                                        {"A\\ONE.TXT", "first", 0},
                                        {"B\\ONE.TXT", "second", 0}};

// Drags rows out of the real window; the drags' temporary folder is made in the test's own
// folder, so that what a drag extracts can be seen.
class EntryDragTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        hadTemp_ = qEnvironmentVariableIsSet("TMPDIR");
        oldTemp_ = qgetenv("TMPDIR");
        fs::create_directory(temp());
        qputenv("TMPDIR", QByteArray::fromStdString(temp().string()));
    }
    void TearDown() override {
        form.reset();
        if (hadTemp_) {
            qputenv("TMPDIR", oldTemp_);
        } else {
            qunsetenv("TMPDIR");
        }
        MainWindowTest::TearDown();
    }
    fs::path temp() const { return dir.path() / "tmp"; }
    // Every file under `folder`, relative to it, sorted.
    static std::vector<std::string> filesIn(const fs::path& folder) {
        std::vector<std::string> files;
        for (const auto& item : fs::recursive_directory_iterator(folder))
            if (item.is_regular_file())
                files.push_back(item.path().lexically_relative(folder).string());
        std::sort(files.begin(), files.end());
        return files;
    }
    std::vector<std::string> extracted() const { return filesIn(temp()); }
    // The window's own boxes (the missing extension table) said and forgotten.
    void settle() {
        QCoreApplication::processEvents();
        desktop.messages.clear();
    }
    // The data a drag of every row gets, as the grid selects them (all columns).
    std::unique_ptr<QMimeData> drag() {
        QAbstractItemModel* model = grid()->model();
        QModelIndexList rows;
        for (int row = 0; row < model->rowCount(); ++row)
            for (int column = 0; column < model->columnCount(); ++column)
                rows << model->index(row, column);
        return std::unique_ptr<QMimeData>(model->mimeData(rows));
    }
    std::vector<std::string> names(const QList<QUrl>& urls) {
        std::vector<std::string> texts;
        for (const QUrl& url : urls) texts.push_back(url.fileName().toStdString());
        return texts;
    }
    bool hadTemp_ = false;
    QByteArray oldTemp_;
};

TEST_F(EntryDragTest, ADropExtractsOnceSkippingUnsafeNamesAndACancelledDragNothing) {
    open(archive("a.POD", ArchiveLayout::POD, kFiles));
    struct Case {
        bool structure;
        std::vector<std::string> urls;
        std::vector<std::string> files;  // in the drag's folder
        std::vector<const char*> said;
    };
    const Case cases[] = {
        {true,
         {"A", "B"},
         {"A/ONE.TXT", "B/ONE.TXT"},
         {"\"..\\ESCAPE.TXT\" est refusée", "\"BAD\\..\" refused"}},
        {false,
         {"ESCAPE.TXT", "ONE.TXT"},
         {"ESCAPE.TXT", "ONE.TXT"},
         {"\"BAD\\..\" refused", "2 entries had the same name without their folder: ONE.TXT."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.structure);
        window().findChild<QCheckBox*>("cbStruct")->setChecked(c.structure);
        settle();
        const std::size_t start = extracted().size();
        // A drag that ends without a drop never asks for the files.
        {
            const std::unique_ptr<QMimeData> cancelled = drag();
            ASSERT_NE(cancelled, nullptr);
            EXPECT_TRUE(cancelled->hasUrls());
            EXPECT_EQ(cancelled->formats(), QStringList{"text/uri-list"});
        }
        EXPECT_EQ(extracted().size(), start);
        // One asked for on the way (some targets ask while the pointer passes over them) and
        // then cancelled leaves nothing behind.
        {
            const std::unique_ptr<QMimeData> passed = drag();
            EXPECT_FALSE(passed->urls().isEmpty());
            dynamic_cast<EntryDragData&>(*passed).discard();
            EXPECT_TRUE(passed->urls().isEmpty());
        }
        EXPECT_EQ(extracted().size(), start);
        settle();

        const std::unique_ptr<QMimeData> dropped = drag();
        const QList<QUrl> urls = dropped->urls();
        EXPECT_EQ(names(urls), c.urls);
        // Asked again (as a byte list this time), the drop extracts nothing more.
        EXPECT_EQ(dropped->data("text/uri-list"),
                  QByteArray(urls[0].toEncoded() + "\r\n" + urls[1].toEncoded() + "\r\n"));
        const fs::path folder = fs::path(urls[0].toLocalFile().toStdString()).parent_path();
        EXPECT_EQ(filesIn(folder), c.files);
        EXPECT_EQ(readFile(folder / c.files.back()), "second");  // the later entry replaces
        EXPECT_EQ(extracted().size(), start + c.files.size());

        // What Extraire would say comes once the target has its list.
        EXPECT_TRUE(desktop.messages.empty());
        QCoreApplication::processEvents();
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_EQ(desktop.messages[0].kind, DesktopServices::MessageKind::Error);
        for (const char* part : c.said)
            EXPECT_TRUE(desktop.messages[0].text.contains(QString::fromUtf8(part)))
                << part << "\n"
                << desktop.messages[0].text.toStdString();
    }
}

TEST_F(EntryDragTest, AFailedDropHandsNothingOverAndSaysWhy) {
    const std::string path = archive("a.POD", ArchiveLayout::POD, kFiles);
    open(path);
    settle();
    const std::unique_ptr<QMimeData> mime = drag();
    fs::remove(path);  // the drop reads the archive again
    EXPECT_TRUE(mime->urls().isEmpty());
    EXPECT_TRUE(extracted().empty());
    QCoreApplication::processEvents();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_TRUE(desktop.messages[0].text.contains("a.POD"))
        << desktop.messages[0].text.toStdString();
}

}  // namespace
}  // namespace kelvane::test
