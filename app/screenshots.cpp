// Takes the README's screenshots: the main window with the demo archive, in French and in
// English, its POD/EPD menu open, its archive properties and the verification of a damaged
// copy, a texture replaced from the listing's right-click menu, the listing filtered in a chosen
// folder with a picture in the preview pane, the search in a folder of archives, and each viewer
// window showing its sample file. Run under a display (xvfb-run):
//   kelvane-screenshots DEMO_ARCHIVE SAMPLES_DIR OUTPUT_DIR
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QWidget>
#include <iostream>

#include "browser/Kelvane_main.h"
#include "browser/archive_search_window.h"
#include "decoders/FichierBGR.h"
#include "decoders/FichierDBF.h"
#include "decoders/FichierKEY.h"
#include "platform/atomic_output_file.h"
#include "platform/qt_desktop.h"
#include "platform/qt_translations.h"
#include "preview/preview_pane.h"
#include "settings/settings.h"
#include "viewers/FichierIMG.h"
#include "viewers/FichierTXT.h"
#include "viewers/FichierWav.h"
#include "viewers/viewer_windows.h"

namespace {

void save(QWidget& window, const QDir& output, const QString& name);

// The real services, except that a box or a modal window is saved as the picture named
// next instead of waiting for a person.
class ScreenshotDesktop : public kelvane::QtDesktop {
  public:
    explicit ScreenshotDesktop(const QDir& output) : output_(output) {}
    QString nextPicture;

    void showMessage(QWidget* parent, MessageKind kind, const QString& caption,
                     const QString& text) override {
        const QMessageBox::Icon icon =
            kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::Information;
        save(*kelvane::messageBox(parent, icon, caption, text, QMessageBox::Ok), output_,
             nextPicture);
    }
    int showModal(QDialog* window) override {
        save(*window, output_, nextPicture);
        return QDialog::Rejected;
    }
    // The file chosen in an open dialog.
    QString nextFile;
    QString openFileName(QWidget*, const QString&, const QString&) override { return nextFile; }

  private:
    QDir output_;
};

void save(QWidget& window, const QDir& output, const QString& name) {
    window.show();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    const QString path = output.filePath(name + QStringLiteral(".png"));
    if (!window.grab().save(path)) std::cerr << "cannot write " << path.toStdString() << "\n";
    window.hide();
}

// The demo archive with the last byte of its last entry changed, for a failing verification.
QString damagedCopy(const QString& archive, const QDir& output) {
    QFile source(archive);
    if (!source.open(QIODevice::ReadOnly)) return archive;
    QByteArray bytes = source.readAll();
    bytes.back() = char(bytes.back() ^ 0x5A);
    const QString path = output.filePath(QStringLiteral("damaged.pod"));
    try {
        kelvane::AtomicOutputFile copy(path.toStdString());
        copy.write(bytes.constData(), std::size_t(bytes.size()));
        copy.commit();
    } catch (const std::exception&) {
        return archive;
    }
    return path;
}

void archiveCommands(const QString& archive, const QDir& output, ScreenshotDesktop& services) {
    const QTemporaryDir settingsFolder;
    kelvane::Tform_main form(settingsFolder.filePath(QStringLiteral("Kelvane.ini")).toStdString(),
                             QCoreApplication::applicationDirPath().toStdString());
    form.openArchiveCommand(archive);
    services.nextPicture = QStringLiteral("properties");
    form.findChild<QAction*>(QStringLiteral("ProprietesdelarchivePODEPD1"))->trigger();
    const QString damaged = damagedCopy(archive, output);
    form.openArchiveCommand(damaged);
    services.nextPicture = QStringLiteral("verify");
    form.findChild<QAction*>(QStringLiteral("VerifierlarchivePODEPD1"))->trigger();
    if (damaged != archive) QFile::remove(damaged);
}

// A menu open over the window with `active` highlighted, painted onto the window's picture: a
// popup is a window of its own, which grabbing the main window leaves out.
void saveWithMenu(QWidget& form, QMenu& menu, const char* active, const QDir& output,
                  const QString& name) {
    menu.setActiveAction(form.findChild<QAction*>(QString::fromUtf8(active)));
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    QPixmap picture = form.grab();
    QPainter(&picture).drawPixmap(form.mapFromGlobal(menu.pos()), menu.grab());
    const QString path = output.filePath(name + QStringLiteral(".png"));
    if (!picture.save(path)) std::cerr << "cannot write " << path.toStdString() << "\n";
    menu.hide();
}

// The POD/EPD menu open.
void writingMenu(QWidget& form, const QDir& output) {
    auto* bar = form.findChild<QMenuBar*>();
    auto* menu = form.findChild<QMenu*>(QStringLiteral("PODEPD1"));
    menu->popup(bar->mapToGlobal(bar->actionGeometry(menu->menuAction()).bottomLeft()));
    saveWithMenu(form, *menu, "NouvellearchivePODEPD1", output, QStringLiteral("menu-write"));
}

// Makes a row of the listing current and waits for its preview.
void previewRow(QWidget& form, int row) {
    auto* grid = form.findChild<QTableView*>(QStringLiteral("sgPodview"));
    auto* pane = form.findChild<kelvane::PreviewPane*>(QStringLiteral("PreviewPane"));
    QSignalSpy shown(pane, &kelvane::PreviewPane::previewShown);
    grid->setCurrentIndex(grid->model()->index(row, 1));
    if (!shown.wait(5000)) std::cerr << "the preview did not show\n";
}

// The IMAGES folder chosen in the tree, the listing filtered to its pictures of one kind and
// the Targa shown in the preview pane.
void browsing(QWidget& form, const QDir& output) {
    auto* tree = form.findChild<QTreeView*>(QStringLiteral("tvFolders"));
    const QModelIndexList images =
        tree->model()->match(tree->model()->index(0, 0), Qt::DisplayRole,
                             QStringLiteral("IMAGES (4)"), 1, Qt::MatchRecursive);
    if (!images.isEmpty()) tree->setCurrentIndex(images[0]);
    form.findChild<QLineEdit*>(QStringLiteral("edFilter"))->setText(QStringLiteral("*.t?a"));
    previewRow(form, 0);
    save(form, output, QStringLiteral("browse"));
}

// On a copy of the demo archive: the listing's right-click menu open on the texture, then the
// preview of the texture made from a square cut of the sample photograph.
void textureReplacement(const QString& archive, const QDir& samples, const QDir& output,
                        ScreenshotDesktop& services) {
    const QTemporaryDir work;
    const QString copy = work.filePath(QStringLiteral("demo.pod"));
    const QString picture = work.filePath(QStringLiteral("square.png"));
    if (!QFile::copy(archive, copy) ||
        !QImage(samples.filePath(QStringLiteral("PHOTO.JPG"))).copy(20, 0, 120, 120).save(picture))
        std::cerr << "cannot prepare the texture replacement\n";
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    const QTemporaryDir settingsFolder;
    kelvane::Tform_main form(settingsFolder.filePath(QStringLiteral("Kelvane.ini")).toStdString(),
                             QCoreApplication::applicationDirPath().toStdString());
    form.resize(form.width(), 460);
    form.openArchiveCommand(copy);
    form.show();
    auto* grid = form.findChild<QTableView*>(QStringLiteral("sgPodview"));
    const QModelIndexList rows =
        grid->model()->match(grid->model()->index(0, 1), Qt::DisplayRole,
                             QStringLiteral("TEX01.RAW"), 1, Qt::MatchEndsWith);
    const int row = rows.isEmpty() ? 0 : rows[0].row();
    previewRow(form, row);
    QWidget* viewport = grid->viewport();
    const QPoint at = grid->visualRect(grid->model()->index(row, 1)).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
    QApplication::sendEvent(viewport, &click);
    auto* menu = form.findChild<QMenu*>(QStringLiteral("PopupMenu1"));
    saveWithMenu(form, *menu, "Remplacerlatexture1", output,
                 QStringLiteral("replace-texture-menu"));
    auto* pane = form.findChild<kelvane::PreviewPane*>(QStringLiteral("PreviewPane"));
    QSignalSpy shown(pane, &kelvane::PreviewPane::previewShown);
    services.nextFile = picture;
    form.findChild<QAction*>(QStringLiteral("Remplacerlatexture1"))->trigger();
    if (!shown.wait(5000)) std::cerr << "the replaced texture did not show\n";
    save(form, output, QStringLiteral("replace-texture"));
}

// The search window over a folder holding the demo archive, a copy of it in a sub-folder and
// a file named like an archive that is none, with the names found and the unreadable one.
void searchInArchives(const QString& archive, const QDir& output) {
    const QTemporaryDir work;
    const QDir folder(work.path());
    folder.mkdir(QStringLiteral("ADDON"));
    QFile junk(folder.filePath(QStringLiteral("broken.pod")));
    if (!QFile::copy(archive, folder.filePath(QStringLiteral("demo.pod"))) ||
        !QFile::copy(archive, folder.filePath(QStringLiteral("ADDON/demo-copy.pod"))) ||
        !junk.open(QIODevice::WriteOnly) || junk.write("not an archive") < 0)
        std::cerr << "cannot prepare the folder to search\n";
    junk.close();
    kelvane::ArchiveSearchWindow window;
    window.findChild<QLineEdit*>(QStringLiteral("edFolder"))->setText(work.path());
    window.findChild<QLineEdit*>(QStringLiteral("edPattern"))
        ->setText(QStringLiteral("*.TXT *.WAV"));
    window.show();
    window.search(work.path(), QStringLiteral("*.TXT *.WAV"));
    if (!QTest::qWaitFor([&] { return !window.searching(); }, 5000))
        std::cerr << "the search did not end\n";
    save(window, output, QStringLiteral("search-archives"));
}

void mainWindow(const QString& archive, const QDir& output, const QString& name) {
    // A settings file of its own, not there yet: French unless the language is set below.
    const QTemporaryDir settingsFolder;
    kelvane::Tform_main form(settingsFolder.filePath(QStringLiteral("Kelvane.ini")).toStdString(),
                             QCoreApplication::applicationDirPath().toStdString());
    // The window's own width, as a first start gives it; shorter, to keep the pictures small.
    form.resize(form.width(), 460);
    // Without a window manager nothing activates the window: the known-extensions table is
    // loaded on activation.
    QEvent activation(QEvent::WindowActivate);
    QApplication::sendEvent(&form, &activation);
    form.openArchiveCommand(archive);
    // The deep name's row current: shortened in the listing, its text in the preview pane.
    previewRow(form, 1);
    save(form, output, name);
    if (name == QStringLiteral("main-fr")) {
        form.show();
        writingMenu(form, output);
        browsing(form, output);
        form.hide();
        form.findChild<QTabWidget*>()->setCurrentIndex(1);
        save(form, output, QStringLiteral("extensions"));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 4) {
        std::cerr << "usage: kelvane-screenshots DEMO_ARCHIVE SAMPLES_DIR OUTPUT_DIR\n";
        return 2;
    }
    const QString archive = QString::fromLocal8Bit(argv[1]);
    const QDir samples(QString::fromLocal8Bit(argv[2]));
    const QDir output(QString::fromLocal8Bit(argv[3]));
    ScreenshotDesktop desktopServices(output);
    kelvane::setDesktop(&desktopServices);

    mainWindow(archive, output, QStringLiteral("main-fr"));
    kelvane::settings().language = "english";
    mainWindow(archive, output, QStringLiteral("main-en"));
    kelvane::settings().language.clear();
    // Qt's own buttons in French, as the program shows them in a French interface.
    kelvane::installQtTranslations(false);
    archiveCommands(archive, output, desktopServices);
    textureReplacement(archive, samples, output, desktopServices);
    searchInArchives(archive, output);

    QWidget owner;
    kelvane::ViewerWindowSet viewers(&owner);
    const auto sample = [&](const char* name) { return samples.filePath(QString(name)); };
    const auto captioned = [](QWidget& window, const QString& path) -> QWidget& {
        window.setWindowTitle(path);
        return window;
    };
    viewers.formTXT->loadFile(sample("LISEZMOI.TXT"));
    save(*viewers.formTXT, output, QStringLiteral("text"));
    viewers.formWAV->setMediaFile(sample("BEEP.WAV"));
    save(captioned(*viewers.formWAV, sample("BEEP.WAV")), output, QStringLiteral("sound"));
    viewers.formIMG->load(sample("PHOTO.JPG"));
    save(*viewers.formIMG, output, QStringLiteral("picture"));
    viewers.formBGR->Decode(sample("PISTE.BGR"));
    save(captioned(*viewers.formBGR, sample("PISTE.BGR")), output, QStringLiteral("object"));
    viewers.formKey->Openkey(sample("FLY.KEY"));
    save(captioned(*viewers.formKey, sample("FLY.KEY")), output, QStringLiteral("keys"));
    viewers.formDBF->Read(sample("AEROPORT.DBF"));
    save(captioned(*viewers.formDBF, sample("AEROPORT.DBF")), output, QStringLiteral("table"));
    return 0;
}
