#pragma once

#include <vector>

#include "decoders/key_file.h"
#include "viewers/viewer_window.h"

class QTextDocument;
class QTextEdit;
class QToolButton;

namespace kelvane {

class TMemoSearch;

// Appends a key listing to `document` in one edit, one paragraph per line: set headings in
// large bold blue, keys in the fixed font.
void fillKeyListing(QTextDocument& document, const std::vector<KeyLine>& lines);

// The key-binding viewer: Quit, Print, and the listing of every key set in a rich text box
// (blue headings, one line per key) with find and replace.
class TformKey : public ViewerWindow {
    Q_OBJECT

  public:
    explicit TformKey(QWidget* parent = nullptr);

    // Lists the key sets of the file at `path`. A file that cannot be read throws and leaves
    // the listing as it was; a value that is not an integer throws after the lines listed
    // before it are shown.
    void Openkey(const QString& path);

    QTextEdit* listing() const { return reListe; }
    TMemoSearch* memoSearch() const { return search_; }

  protected:
    void FormActivate() override;

  private:
    void tbPrintClick();

    QToolButton* tbPrint;
    QTextEdit* reListe;
    TMemoSearch* search_;
};

}  // namespace kelvane
