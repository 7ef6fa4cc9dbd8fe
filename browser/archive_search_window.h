#pragma once

#include <QDialog>
#include <QTimer>
#include <memory>
#include <vector>

#include "browser/background_search.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableView;

namespace kelvane {

class SearchResultsModel;

// Searches the archives under a folder for entries by name, on a thread of its own, and
// lists what it finds as it goes; a double-click or Enter on a row asks for that entry to be
// shown in its archive.
class ArchiveSearchWindow : public QDialog {
    Q_OBJECT
  public:
    // `search` stands in for the archive search (tests slow it down).
    explicit ArchiveSearchWindow(QWidget* parent = nullptr,
                                 BackgroundSearch::SearchFunction search = searchArchives);
    ~ArchiveSearchWindow() override;

    // Starts a search of `folder` for the names in `patterns` (separated by blanks),
    // cancelling the one running.
    void search(const QString& folder, const QString& patterns);
    bool searching() const { return running_ != nullptr; }

  signals:
    // The entry at `index` in the directory of the archive at `path` was chosen.
    void entryChosen(const QString& path, int index);

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void applyCaptions();
    void btnSearchClick();
    void btnBrowseClick();
    void btnCancelClick();
    void showNews();
    void fitColumns();
    void chooseRow(int row);
    // Stops the running search and waits for its thread.
    void stop();

    BackgroundSearch::SearchFunction searchFunction_;
    std::unique_ptr<BackgroundSearch> running_;
    bool columnsFitted_ = false;
    QTimer poll_;
    SearchResultsModel* results_;
    QLineEdit* edFolder_;
    QPushButton* btnBrowse_;
    QLineEdit* edPattern_;
    QPushButton* btnSearch_;
    QTableView* sgResults_;
    QLabel* lblProgress_;
    QLabel* lblUnread_;
    QListWidget* lstUnread_;
    QPushButton* btnCancel_;
};

}  // namespace kelvane
