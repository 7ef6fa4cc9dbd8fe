#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include "viewers/find_replace_dialogs.h"

class QKeyEvent;
class QTextCursor;

namespace kelvane {

// Where the replace confirmation goes: its left edge at the match, moved left to stay on
// the screen; its top edge `textHeight` + 5 below the match's top, or above the match when
// it would run off the bottom of the screen. All in screen coordinates.
QPoint replacePromptPosition(const QPoint& match, int textHeight, const QSize& box,
                             const QRect& screen);

// Find, find again and replace for a multi-line text box (QPlainTextEdit or QTextEdit),
// through keyboard shortcuts and the find and replace dialogs. It watches the keys of the
// text box it is attached to, so a viewer needs no code of its own for searching.
class TMemoSearch : public QObject {
    Q_OBJECT
    Q_PROPERTY(int SearchKey READ searchKey WRITE setSearchKey)
    Q_PROPERTY(int ReplaceKey READ replaceKey WRITE setReplaceKey)
    Q_PROPERTY(int SearchAgainKey READ searchAgainKey WRITE setSearchAgainKey)
    Q_PROPERTY(bool HideAfterSearch READ hideAfterSearch WRITE setHideAfterSearch)
    Q_PROPERTY(QWidget* Memo READ memo WRITE setMemo)
    Q_PROPERTY(kelvane::FindDialog::Options Options READ options WRITE setOptions)
    Q_PROPERTY(bool PromptReplace READ promptReplace WRITE setPromptReplace)
    Q_PROPERTY(QString SearchString READ searchString WRITE setSearchString)
    Q_PROPERTY(bool ShowReplaceCount READ showReplaceCount WRITE setShowReplaceCount)
    Q_PROPERTY(int HelpContext READ helpContext WRITE setHelpContext)

  public:
    // Shortcut values: the key's virtual-key code in the low byte, plus these.
    static constexpr int kShift = 0x2000;
    static constexpr int kCtrl = 0x4000;
    static constexpr int kAlt = 0x8000;

    explicit TMemoSearch(QObject* parent = nullptr);
    ~TMemoSearch() override;

    // The shortcut value of a key press; 0 for keys without a virtual-key code.
    static int shortcutValue(int qtKey, Qt::KeyboardModifiers modifiers);

    int searchKey() const { return searchKey_; }
    void setSearchKey(int key) { searchKey_ = key; }
    int replaceKey() const { return replaceKey_; }
    void setReplaceKey(int key) { replaceKey_ = key; }
    int searchAgainKey() const { return searchAgainKey_; }
    void setSearchAgainKey(int key) { searchAgainKey_ = key; }
    bool hideAfterSearch() const { return hideAfterSearch_; }
    void setHideAfterSearch(bool hide) { hideAfterSearch_ = hide; }
    QWidget* memo() const { return memo_; }
    // Attaches to a QPlainTextEdit or QTextEdit; anything else (or null) detaches.
    void setMemo(QWidget* textBox);
    FindDialog::Options options() const { return options_; }
    void setOptions(FindDialog::Options options) { options_ = options; }
    bool promptReplace() const { return promptReplace_; }
    void setPromptReplace(bool prompt) { promptReplace_ = prompt; }
    QString searchString() const { return searchString_; }
    void setSearchString(const QString& text) { searchString_ = text; }
    bool showReplaceCount() const { return showReplaceCount_; }
    void setShowReplaceCount(bool show) { showReplaceCount_ = show; }
    int helpContext() const { return helpContext_; }
    void setHelpContext(int context) { helpContext_ = context; }

    // The open dialog, if any (a ReplaceDialog in replace mode).
    FindDialog* dialog() const { return dialog_; }
    int foundPosition() const { return foundPosition_; }

    void openFindDialog() { openDialog(false); }
    void openReplaceDialog() { openDialog(true); }
    // The steps run by the dialogs' buttons and by the search-again key.
    void findStep();
    void replaceStep();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool isOwnKey(int value) const;
    bool handleKey(QKeyEvent* key);
    void openDialog(bool replace);
    void closeDialog();
    // Prepares and runs one search; true when something was found (and is selected).
    bool searchAndSelect();
    // One replacement at most; false when nothing was found.
    bool replaceOnce();
    bool confirmReplace(const QTextCursor& match);
    void reportNotFound(const QString& caption);

    QString dialogFindText() const;
    FindDialog::Options currentOptions() const;

    int searchKey_ = 16454;     // Ctrl+F
    int replaceKey_ = 16466;    // Ctrl+R
    int searchAgainKey_ = 114;  // F3
    bool hideAfterSearch_ = true;
    QPointer<QWidget> memo_;
    FindDialog::Options options_ = FindDialog::Down;
    bool promptReplace_ = false;
    QString searchString_;
    bool showReplaceCount_ = false;
    int helpContext_ = 0;

    QPointer<FindDialog> dialog_;
    int foundPosition_ = -1;
    int searchBase_ = -1;
    bool replaceAll_ = false;
    int replaceCount_ = 0;
    bool lastWasReplace_ = false;
};

}  // namespace kelvane
