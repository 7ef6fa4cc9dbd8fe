#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kelvane {

class TMemoSearch;

// The text viewer: a tool bar with Quit and a hint, and an editable memo (never saved) with
// find and replace.
class TformTXT : public QDialog {
    Q_OBJECT

  public:
    explicit TformTXT(QWidget* parent = nullptr);

    // Captions the window with `path` and shows the file's lines.
    void loadFile(const QString& path);

    QPlainTextEdit* memo() const { return Memo; }
    TMemoSearch* memoSearch() const { return search_; }

  protected:
    bool event(QEvent* event) override;

  private:
    void FormActivate();

    QPushButton* btnQuit;
    QLabel* Label1;
    QPlainTextEdit* Memo;
    TMemoSearch* search_;
};

}  // namespace kelvane
