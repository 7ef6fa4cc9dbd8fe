#pragma once

#include <QAbstractItemModel>
#include <QString>

#include "browser/folder_index.h"

namespace kelvane {

// The stored folders of the listed archive as a tree, each with the count of entries in it
// and below it; the root, named after the archive, holds them all. The folder number of an
// item is its internal id.
class FolderTreeModel : public QAbstractItemModel {
    Q_OBJECT
  public:
    explicit FolderTreeModel(QObject* parent = nullptr);

    // Shows `folders` (which must outlive the showing, or be replaced); the root is named
    // `rootName`.
    void setFolders(const FolderIndex* folders, const QString& rootName);
    static int folderOf(const QModelIndex& index) { return int(index.internalId()); }

    QModelIndex index(int row, int column,
                      const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

  private:
    // The folder's place among its parent's children.
    int rowOf(int folder) const;

    const FolderIndex* folders_ = nullptr;
    QString rootName_;
};

}  // namespace kelvane
