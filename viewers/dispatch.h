#pragma once

#include <QString>
#include <functional>
#include <vector>

class QDialog;
class QWidget;

namespace kelvane {

class TPOD;
struct CatalogueEntry;

// A viewer window and how it takes a file (it may throw when the file cannot be read).
struct Viewer {
    QDialog* window = nullptr;
    std::function<void(const QString& path)> load;
};

// The windows the dispatch shows, one per viewer group.
struct ViewerWindows {
    Viewer text;
    Viewer dbf;
    Viewer sound;
    Viewer picture;
    Viewer key;
    Viewer object;
};

// The listed archive as the grid shows it: the entries in the grid's current order.
struct ListedArchive {
    TPOD* pod = nullptr;
    std::vector<const CatalogueEntry*> rows;
};

// Copies an entry of the listed archive out (its stored levels kept when `keepStructure`),
// shows it in the viewer its extension calls for, under the path the working directory would
// give it, and removes the copy afterwards, however the viewing ends. Raw textures are paired with
// their companion entry and converted to a picture first.
void viewEntry(QWidget* parent, const ViewerWindows& viewers, const ListedArchive& archive,
               const CatalogueEntry& entry, bool keepStructure);

// Shows a file from disk in its viewer. The file is never renamed, changed or removed; a
// raw texture finds its companion beside it.
void viewFile(QWidget* parent, const ViewerWindows& viewers, const QString& path);

}  // namespace kelvane
