#include "browser/folder_tree_model.h"

#include <algorithm>

#include "platform/cp1252.h"

namespace kelvane {

FolderTreeModel::FolderTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

void FolderTreeModel::setFolders(const FolderIndex* folders, const QString& rootName) {
    beginResetModel();
    folders_ = folders != nullptr && !folders->folders().empty() ? folders : nullptr;
    rootName_ = rootName;
    endResetModel();
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (folders_ == nullptr || column != 0 || row < 0) return {};
    if (!parent.isValid()) return row == 0 ? createIndex(0, 0, quintptr(0)) : QModelIndex();
    const auto& children = folders_->folders()[std::size_t(folderOf(parent))].children;
    if (row >= int(children.size())) return {};
    return createIndex(row, 0, quintptr(children[std::size_t(row)]));
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const {
    if (folders_ == nullptr || !child.isValid()) return {};
    const int parent = folders_->folders()[std::size_t(folderOf(child))].parent;
    return parent < 0 ? QModelIndex() : createIndex(rowOf(parent), 0, quintptr(parent));
}

int FolderTreeModel::rowOf(int folder) const {
    const int parent = folders_->folders()[std::size_t(folder)].parent;
    if (parent < 0) return 0;
    const auto& siblings = folders_->folders()[std::size_t(parent)].children;
    // Children are numbered in order: a binary search finds the place.
    return int(std::lower_bound(siblings.begin(), siblings.end(), folder) - siblings.begin());
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const {
    if (folders_ == nullptr) return 0;
    if (!parent.isValid()) return 1;
    return int(folders_->folders()[std::size_t(folderOf(parent))].children.size());
}

int FolderTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const {
    if (folders_ == nullptr || !index.isValid() || role != Qt::DisplayRole) return {};
    const FolderIndex::Folder& folder = folders_->folders()[std::size_t(folderOf(index))];
    const QString name =
        folder.parent < 0 ? rootName_ : QString::fromStdString(cp1252ToUtf8(folder.name));
    return QStringLiteral("%1 (%2)").arg(name).arg(folder.entriesBelow);
}

}  // namespace kelvane
