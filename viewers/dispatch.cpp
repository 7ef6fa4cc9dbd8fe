#include "viewers/dispatch.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <filesystem>

#include "archive/archive_errors.h"
#include "archive/entry_names.h"
#include "archive/pod_reader.h"
#include "decoders/whole_file.h"
#include "imaging/raw_texture.h"
#include "platform/atomic_output_file.h"
#include "platform/cp1252.h"
#include "platform/desktop_services.h"
#include "settings/settings.h"
#include "viewers/dispatch_rules.h"
#include "viewers/viewing_area.h"

namespace kelvane {
namespace {

// The converter gets this long to leave its picture.
constexpr int kConverterTimeoutMs = 30000;
const QString kConverterProgram = QStringLiteral("raw2bmp.exe");

// What a viewing has to tell the user once its windows are closed.
using Notes = QStringList;

void showNotes(QWidget* parent, const Notes& notes) {
    if (notes.empty()) return;
    desktop().showMessage(parent, DesktopServices::MessageKind::Warning,
                          QCoreApplication::applicationName(),
                          notes.join(QStringLiteral("\r\n\r\n")));
}

// Runs a viewing and tells its notes once it ends, however it ends.
void withNotes(QWidget* parent, const std::function<void(Notes&)>& viewing) {
    Notes notes;
    try {
        viewing(notes);
    } catch (...) {
        showNotes(parent, notes);
        throw;
    }
    showNotes(parent, notes);
}

void noteIfCutShort(Notes& notes, const CatalogueEntry& entry, std::int64_t written) {
    if (written < entry.size)
        notes.push_back(QString::fromStdString(entryCutShort(entry, written).what()));
}

// Writes one half of a texture pair as directory + name.
using TextureSource = std::function<void(const std::string& directory, const std::string& name)>;

TextureSource entrySource(TPOD& pod, const CatalogueEntry& entry, Notes& notes) {
    return [&pod, &entry, &notes](const std::string& directory, const std::string& name) {
        const OutputFolder folder(directory);
        AtomicOutputFile output(folder, {name}, false);
        const std::int64_t written = pod.copyEntry(
            entry.index, [&](const char* data, std::size_t size) { output.write(data, size); });
        output.commit();
        noteIfCutShort(notes, entry, written);
    };
}

TextureSource fileSource(const std::string& path) {
    return [path](const std::string& directory, const std::string& name) {
        const std::string bytes = readWholeFile(path);
        const OutputFolder folder(directory);
        AtomicOutputFile output(folder, {name}, false);
        output.write(bytes.data(), bytes.size());
        output.commit();
    };
}

const Viewer* viewerOfGroup(const ViewerWindows& viewers, ViewerGroup group) {
    switch (group) {
        case ViewerGroup::Text:
            return &viewers.text;
        case ViewerGroup::Dbf:
            return &viewers.dbf;
        case ViewerGroup::Sound:
            return &viewers.sound;
        case ViewerGroup::Picture:
            return &viewers.picture;
        case ViewerGroup::Key:
            return &viewers.key;
        case ViewerGroup::Object:
            return &viewers.object;
        default:
            return nullptr;
    }
}

// The viewer of a group; none for the other groups and for a window not installed.
const Viewer* viewerFor(const ViewerWindows& viewers, ViewerGroup group) {
    const Viewer* viewer = viewerOfGroup(viewers, group);
    return viewer != nullptr && viewer->window != nullptr ? viewer : nullptr;
}

void show(const Viewer& viewer, const QString& file, const QString& caption) {
    viewer.load(file);
    setLiteralTitle(viewer.window, QDir::toNativeSeparators(caption));
    desktop().showModal(viewer.window);
}

// Shows a file that is not a texture half under `caption`.
void route(QWidget* parent, const ViewerWindows& viewers, ViewerGroup group, const QString& path,
           const QString& caption) {
    if (const Viewer* viewer = viewerFor(viewers, group)) {
        show(*viewer, path, caption);
        return;
    }
    desktop().showMessage(
        parent, DesktopServices::MessageKind::Information, QCoreApplication::applicationName(),
        QStringLiteral("Le fichier %1 ne peut être montré. \r\nStructure inconnu.")
            .arg(QFileInfo(path).fileName()));
}

void reportMissingCompanion(QWidget* parent, ViewerGroup group, const QString& base) {
    const QString extension = QString::fromLatin1(companionExtension(group).substr(1));
    desktop().showButtonlessMessage(
        parent, DesktopServices::MessageKind::Error, QCoreApplication::applicationName(),
        QStringLiteral("Fichier %1.%2 non trouvé\r\nFile %1.%2 not found").arg(base, extension));
}

// Turns base.RAW and base.ACT into base.BMP: through the outside converter when it is set
// up, in process when it is not, cannot run or leaves no picture.
void convert(const std::string& directory, const std::string& shortName) {
    const std::string base = directory + shortName;
    const QString program = QString::fromStdString(settings().rawDirectory) + kConverterProgram;
    if (!settings().rawDirectory.empty() && QFileInfo::exists(program) &&
        desktop().runProgram(program, {QDir::toNativeSeparators(QString::fromStdString(base))},
                             QString::fromStdString(directory), kConverterTimeoutMs) &&
        std::filesystem::exists(std::filesystem::path(base + ".BMP")))
        return;
    convertRawTexture(base);
}

// Keeps the converted picture in the working directory under a free name, saying so when
// it could not have its own.
std::string keepPicture(ViewingArea& area, const std::string& picture, const std::string& name,
                        Notes& notes) {
    const std::string kept = area.keep(picture, name);
    const QString keptName = QFileInfo(QString::fromStdString(kept)).fileName();
    const QString wanted = QString::fromStdString(name);
    if (kept != picture && keptName != wanted) {
        notes.push_back(
            QStringLiteral("L'image convertie est enregistrée sous %1, car %2 existe déjà dans le "
                           "répertoire de travail.\r\nThe converted picture is saved as %1, as %2 "
                           "already exists in the working directory.")
                .arg(keptName, wanted));
    }
    return kept;
}

// Stages the pair in the area's private folder, converts it, keeps the picture in the
// working directory and shows it.
void showTexture(const ViewerWindows& viewers, ViewingArea& area, ViewerGroup group,
                 const std::string& shortName, const TextureSource& viewed,
                 const TextureSource& companion, const QString& caption, Notes& notes) {
    const std::string& folder = area.privateFolder();
    const bool pixelsViewed = group != ViewerGroup::Palette;
    (pixelsViewed ? viewed : companion)(folder, shortName + ".RAW");
    (pixelsViewed ? companion : viewed)(folder, shortName + ".ACT");
    convert(folder, shortName);
    const std::string picture =
        keepPicture(area, folder + shortName + ".BMP", shortName + ".BMP", notes);
    show(viewers.picture, QString::fromStdString(picture), caption);
}

void viewArchiveTexture(QWidget* parent, const ViewerWindows& viewers, const ListedArchive& archive,
                        const CatalogueEntry& entry, ViewerGroup group, ViewingArea& area,
                        const QString& caption, Notes& notes) {
    const std::string base = textureBase(entry.name);
    std::vector<std::string> names;
    names.reserve(archive.rows.size());
    for (const CatalogueEntry* row : archive.rows) names.push_back(row->name);
    const std::vector<std::size_t> matches =
        matchingNames(names, base + std::string(companionExtension(group)));
    if (matches.empty()) {
        reportMissingCompanion(parent, group, QString::fromStdString(cp1252ToUtf8(base)));
        return;
    }
    const std::string file = entryComponents(entry.name, false).back();
    for (const std::size_t match : matches) {
        showTexture(viewers, area, group, shortName(file), entrySource(*archive.pod, entry, notes),
                    entrySource(*archive.pod, *archive.rows[match], notes), caption, notes);
    }
}

void viewArchiveEntry(QWidget* parent, const ViewerWindows& viewers, const ListedArchive& archive,
                      const CatalogueEntry& entry, bool keepStructure, Notes& notes) {
    ViewingArea area(settings().workDirectory);
    const ViewerGroup group = viewerGroup(entry.name);
    const std::vector<std::string> components = entryComponents(entry.name, keepStructure);
    // Every viewer names the entry where the working directory would hold it, not the private
    // folder that a name already taken there sends the copy to.
    const QString caption = QString::fromStdString(area.shownPath(components));
    if (isTexture(group)) {
        viewArchiveTexture(parent, viewers, archive, entry, group, area, caption, notes);
        return;
    }
    const ExtractionResult copy =
        archive.pod->Extract(entry.index, area.claim(components),
                             keepStructure ? StoredPath::KeepAndCreateLevels : StoredPath::Drop);
    noteIfCutShort(notes, entry, copy.written);
    route(parent, viewers, group, QString::fromStdString(copy.path), caption);
}

}  // namespace

void viewEntry(QWidget* parent, const ViewerWindows& viewers, const ListedArchive& archive,
               const CatalogueEntry& entry, bool keepStructure) {
    withNotes(parent, [&](Notes& notes) {
        viewArchiveEntry(parent, viewers, archive, entry, keepStructure, notes);
    });
}

void viewFile(QWidget* parent, const ViewerWindows& viewers, const QString& path) {
    const std::string file = path.toStdString();
    const ViewerGroup group = viewerGroup(file);
    if (!isTexture(group)) {
        route(parent, viewers, group, path, path);
        return;
    }
    // The companion lies beside the file, its extension in upper or lower case.
    const QFileInfo info(path);
    const QString base =
        info.dir().filePath(QString::fromStdString(textureBase(info.fileName().toStdString())));
    const QString extension = QString::fromLatin1(companionExtension(group));
    QString companion = base + extension;
    if (!QFileInfo::exists(companion)) companion = base + extension.toLower();
    if (!QFileInfo::exists(companion)) {
        reportMissingCompanion(parent, group, QDir::toNativeSeparators(base));
        return;
    }
    withNotes(parent, [&](Notes& notes) {
        ViewingArea area(settings().workDirectory);
        showTexture(viewers, area, group, shortName(file), fileSource(file),
                    fileSource(companion.toStdString()), path, notes);
    });
}

}  // namespace kelvane
