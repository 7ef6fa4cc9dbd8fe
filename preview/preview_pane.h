#pragma once

#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archive/catalogue_entry.h"
#include "preview/preview_content.h"

class QAction;
class QLabel;
class QPlainTextEdit;
class QStackedWidget;
class QTableView;
class QTimer;

namespace kelvane {

class DbfTableModel;
class PictureView;
class SoundPage;
struct PreviewResult;

// Shows the current entry of the listing at once, without a window of its own: pictures
// fitted to the pane, the start of texts, decoded object files, tables and key files, sounds
// with a Play button, and a hex dump of the first bytes of anything else. Entries are read
// and decoded in a worker thread through the pane's own handle on the archive, so typing
// elsewhere never waits; a run of quick changes of the current entry does not queue reads, and
// a result that arrives for an entry no longer current is dropped.
class PreviewPane : public QWidget {
    Q_OBJECT

  public:
    explicit PreviewPane(QWidget* parent = nullptr);
    ~PreviewPane() override;

    // Shows `entry` of the archive file at `archivePath` (UTF-8) read as the catalogue entry
    // describes it; companions (the .ACT of a .RAW) come from `catalogue`.
    void showEntry(const std::string& archivePath, const std::vector<CatalogueEntry>& catalogue,
                   const CatalogueEntry& entry);
    // Back to the empty state: no entry is current.
    void clear();
    void setEnglish(bool english);  // the pane's own texts

    // Changes of the current entry closer together than this (30 ms) are read as one: the
    // first at once, the last when they stop.
    void setDebounceInterval(int milliseconds);

  signals:
    // A read of the current entry went to the worker.
    void readStarted();
    // The current entry's preview is on its page.
    void previewShown();

  private:
    void startRead();
    void finishRead(std::uint64_t generation, PreviewResult result);
    void showResult(PreviewResult& result);
    void showPage(QWidget* page);
    void updateTexts();
    void savePicture();

    QLabel* info_;
    QStackedWidget* pages_;
    QLabel* empty_;
    PictureView* picture_;
    QAction* savePng_;  // the picture's context menu: the entry's picture written whole
    QPlainTextEdit* text_;
    QTableView* table_;
    DbfTableModel* tableModel_;
    SoundPage* sound_;
    QWidget* hex_;
    QLabel* reason_;
    QPlainTextEdit* dump_;
    QTimer* debounce_;

    std::string archivePath_;  // the current entry's archive and entry
    CatalogueEntry entry_;
    std::optional<PreviewRequest> waiting_;  // the current entry, not yet sent to the worker
    bool reading_ = false;                   // a read is in the worker
    std::uint64_t generation_ = 0;           // counts the changes of the current entry
    bool english_ = false;
    bool current_ = false;  // an entry is current
    bool shown_ = false;    // its preview is on its page
    // The texts of what is shown, in both languages.
    std::string caption_[2];
    std::string reasonText_[2];
};

}  // namespace kelvane
