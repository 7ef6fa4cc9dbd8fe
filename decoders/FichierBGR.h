#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kelvane {

class TMemoSearch;

// The object-file viewer: a tool bar with Quit and a search hint, and an editable memo
// (never saved) holding the decoded lines, with find and replace.
class TformBGR : public QDialog {
    Q_OBJECT

  public:
    explicit TformBGR(QWidget* parent = nullptr);

    // Fills the memo with the decoded lines of the file at `path`, reals written with the
    // decimal separator of the default locale. A file that cannot be read throws and
    // leaves the memo as it was.
    void Decode(const QString& path);

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

// The decimal separator `locale` writes, as one Windows-1252 byte; '.' when it has none.
char decimalSeparatorOf(const QLocale& locale);

}  // namespace kelvane
