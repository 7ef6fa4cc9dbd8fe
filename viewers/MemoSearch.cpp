#include "viewers/MemoSearch.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextEdit>

#include "platform/desktop_services.h"
#include "viewers/text_search.h"

namespace kelvane {
namespace {

const QEvent::Type kOpenFindEvent = static_cast<QEvent::Type>(QEvent::User + 300);
const QEvent::Type kOpenReplaceEvent = static_cast<QEvent::Type>(QEvent::User + 301);

bool isTextBox(QWidget* widget) {
    return qobject_cast<QPlainTextEdit*>(widget) != nullptr ||
           qobject_cast<QTextEdit*>(widget) != nullptr;
}

// Runs `action` on the attached text box with its own type; both kinds share these calls.
template <typename Action>
auto withTextBox(QWidget* box, Action action) {
    if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) return action(plain);
    return action(static_cast<QTextEdit*>(box));
}

QTextCursor cursorOf(QWidget* box) {
    return withTextBox(box, [](auto* edit) { return edit->textCursor(); });
}

void select(QWidget* box, const QTextCursor& cursor) {
    withTextBox(box, [&](auto* edit) {
        edit->setTextCursor(cursor);
        edit->ensureCursorVisible();
    });
}

QTextCursor selection(QTextCursor cursor, int start, int length) {
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    return cursor;
}

// Windows virtual-key code of a key, or 0 for keys that have none here.
int virtualKey(int key, Qt::KeyboardModifiers modifiers) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        return modifiers.testFlag(Qt::KeypadModifier) ? 0x60 + (key - Qt::Key_0) : key;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 0x70 + (key - Qt::Key_F1);
    switch (key) {
        case Qt::Key_Backspace:
            return 0x08;
        case Qt::Key_Tab:
            return 0x09;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 0x0D;
        case Qt::Key_Escape:
            return 0x1B;
        case Qt::Key_Space:
            return 0x20;
        case Qt::Key_PageUp:
            return 0x21;
        case Qt::Key_PageDown:
            return 0x22;
        case Qt::Key_End:
            return 0x23;
        case Qt::Key_Home:
            return 0x24;
        case Qt::Key_Left:
            return 0x25;
        case Qt::Key_Up:
            return 0x26;
        case Qt::Key_Right:
            return 0x27;
        case Qt::Key_Down:
            return 0x28;
        case Qt::Key_Insert:
            return 0x2D;
        case Qt::Key_Delete:
            return 0x2E;
        default:
            return 0;
    }
}

// Keeps the selection of a text box painted as when focused while a prompt has the focus.
class SelectionShownUnfocused {
  public:
    explicit SelectionShownUnfocused(QWidget* box) : box_(box), saved_(box->palette()) {
        QPalette palette = saved_;
        for (auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
            palette.setBrush(QPalette::Inactive, role, palette.brush(QPalette::Active, role));
        }
        box->setPalette(palette);
    }
    ~SelectionShownUnfocused() {
        if (box_ != nullptr) box_->setPalette(saved_);
    }
    SelectionShownUnfocused(const SelectionShownUnfocused&) = delete;
    SelectionShownUnfocused& operator=(const SelectionShownUnfocused&) = delete;

  private:
    QPointer<QWidget> box_;
    QPalette saved_;
};

}  // namespace

QPoint replacePromptPosition(const QPoint& match, int textHeight, const QSize& box,
                             const QRect& screen) {
    int left = match.x();
    if (left + box.width() > screen.x() + screen.width()) {
        left = screen.x() + screen.width() - box.width();
    }
    int top = match.y() + textHeight + 5;
    if (top + box.height() > screen.y() + screen.height()) top = match.y() - box.height() - 5;
    return {left, top};
}

TMemoSearch::TMemoSearch(QObject* parent) : QObject(parent) {}

TMemoSearch::~TMemoSearch() {
    delete dialog_;
    if (memo_ != nullptr) memo_->removeEventFilter(this);
}

int TMemoSearch::shortcutValue(int qtKey, Qt::KeyboardModifiers modifiers) {
    const int key = virtualKey(qtKey, modifiers);
    if (key == 0) return 0;
    return key | (modifiers.testFlag(Qt::ShiftModifier) ? kShift : 0) |
           (modifiers.testFlag(Qt::ControlModifier) ? kCtrl : 0) |
           (modifiers.testFlag(Qt::AltModifier) ? kAlt : 0);
}

void TMemoSearch::setMemo(QWidget* textBox) {
    if (memo_ != nullptr) memo_->removeEventFilter(this);
    memo_ = isTextBox(textBox) ? textBox : nullptr;
    // The pointer empties itself when the text box is destroyed, which also drops the filter.
    if (memo_ != nullptr) memo_->installEventFilter(this);
}

bool TMemoSearch::eventFilter(QObject* watched, QEvent* event) {
    if (watched != memo_) return false;
    switch (event->type()) {
        case QEvent::ShortcutOverride: {
            // Our keys reach the text box as key presses even where a window shortcut uses
            // them.
            auto* key = static_cast<QKeyEvent*>(event);
            if (!isOwnKey(shortcutValue(key->key(), key->modifiers()))) return false;
            event->accept();
            return true;
        }
        case QEvent::KeyPress:
            // The typed character travels with the key press, so handling it swallows it.
            return handleKey(static_cast<QKeyEvent*>(event));
        default:
            break;
    }
    if (event->type() == kOpenFindEvent || event->type() == kOpenReplaceEvent) {
        QCoreApplication::processEvents();
        openDialog(event->type() == kOpenReplaceEvent);
        return true;
    }
    return false;
}

bool TMemoSearch::isOwnKey(int value) const {
    return value != 0 && (value == searchKey_ || value == replaceKey_ ||
                          (value == searchAgainKey_ && !searchString_.isEmpty()));
}

bool TMemoSearch::handleKey(QKeyEvent* key) {
    const int value = shortcutValue(key->key(), key->modifiers());
    if (!isOwnKey(value)) return false;
    if (value == searchKey_) {
        QCoreApplication::postEvent(memo_, new QEvent(kOpenFindEvent));
    } else if (value == replaceKey_) {
        QCoreApplication::postEvent(memo_, new QEvent(kOpenReplaceEvent));
    } else if (lastWasReplace_) {
        replaceStep();
    } else {
        findStep();
    }
    return true;
}

void TMemoSearch::openDialog(bool replace) {
    if (memo_ == nullptr) return;
    searchString_.clear();
    closeDialog();  // an open dialog hands its options on
    delete dialog_;
    replaceAll_ = false;
    QWidget* owner = memo_->window();
    dialog_ = replace ? new ReplaceDialog(owner) : new FindDialog(owner);
    FindDialog* dialog = dialog_;
    connect(dialog, &FindDialog::findNext, this, &TMemoSearch::findStep);
    connect(dialog, &FindDialog::replace, this, [this, dialog] {
        // The button pressed decides between one replacement and all of them.
        replaceAll_ = dialog->options().testFlag(FindDialog::ReplaceAll);
        replaceStep();
    });
    connect(dialog, &FindDialog::closed, this, [this, dialog] { options_ = dialog->options(); });
    dialog->setHelpContext(helpContext_);
    dialog->setOptions(options_);
    replaceCount_ = 0;
    const QTextCursor cursor = cursorOf(memo_);
    if (cursor.hasSelection()) dialog->setFindText(cursor.selectedText());
    dialog->show();
}

void TMemoSearch::closeDialog() {
    if (dialog_ != nullptr && dialog_->isVisible()) dialog_->close();
}

QString TMemoSearch::dialogFindText() const {
    return dialog_ != nullptr ? dialog_->findText() : searchString_;
}

FindDialog::Options TMemoSearch::currentOptions() const {
    return dialog_ != nullptr ? dialog_->options() : options_;
}

bool TMemoSearch::searchAndSelect() {
    const QString wanted = dialogFindText();
    const FindDialog::Options options = currentOptions();
    const bool down = options.testFlag(FindDialog::Down);
    QTextCursor cursor = cursorOf(memo_);
    if (wanted != searchString_) {
        foundPosition_ = -1;
        searchBase_ = -1;
        searchString_ = wanted;
        replaceAll_ = options.testFlag(FindDialog::ReplaceAll);
    } else {
        searchBase_ = down ? cursor.selectionEnd() : cursor.selectionStart();
    }
    // The document's raw text has one character per cursor position.
    const QString text = cursor.document()->toRawText();
    foundPosition_ = findText(
        QStringView(text).utf16(), QStringView(searchString_).utf16(), searchBase_,
        {down, options.testFlag(FindDialog::MatchCase), options.testFlag(FindDialog::WholeWord)});
    if (hideAfterSearch_) closeDialog();
    if (foundPosition_ < 0) return false;
    select(memo_, selection(cursor, foundPosition_, static_cast<int>(searchString_.size())));
    return true;
}

void TMemoSearch::reportNotFound(const QString& caption) {
    const QString text = searchBase_ < 0 ? QStringLiteral("Search string \"%1\" not found.")
                                         : QStringLiteral("No more instances of \"%1\" found.");
    desktop().showMessage(memo_, DesktopServices::MessageKind::Information, caption,
                          text.arg(searchString_));
}

void TMemoSearch::findStep() {
    if (memo_ == nullptr) return;
    lastWasReplace_ = false;
    if (searchAndSelect()) {
        memo_->setFocus();
        if (hideAfterSearch_) closeDialog();
    } else {
        reportNotFound(QStringLiteral("Search Results"));
    }
}

void TMemoSearch::replaceStep() {
    // Without a replace dialog there is no replacement text: search only, never delete.
    if (qobject_cast<ReplaceDialog*>(dialog_.data()) == nullptr) {
        findStep();
        return;
    }
    lastWasReplace_ = true;
    const int countAtEntry = replaceCount_;
    // Replace All goes on step after step, each continuing after the previous one.
    while (replaceOnce()) {
        if (!replaceAll_) return;
    }
    if (memo_ == nullptr) return;
    if (replaceCount_ == 0 || !replaceAll_) {
        reportNotFound(QStringLiteral("Replace Results"));
    } else if (countAtEntry == 0 && showReplaceCount_) {
        desktop().showMessage(memo_, DesktopServices::MessageKind::Information,
                              QStringLiteral("Replace Results"),
                              QStringLiteral("Replaced %1 instances of \"%2\".")
                                  .arg(replaceCount_)
                                  .arg(searchString_));
    }
}

bool TMemoSearch::confirmReplace(const QTextCursor& match) {
    const QString caption = QStringLiteral("Confirm");
    const QString text = QStringLiteral("Replace current text?");
    QTextCursor start(match);
    start.setPosition(match.selectionStart());
    const QRect caret = withTextBox(memo_, [&](auto* edit) { return edit->cursorRect(start); });
    auto* viewport = withTextBox(memo_, [](auto* edit) { return edit->viewport(); });
    const int textHeight = QFontMetrics(memo_->window()->font()).height();
    // The box is shown by the desktop services; an unshown twin tells its size.
    const QSize boxSize =
        QMessageBox(QMessageBox::Question, caption, text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll, memo_)
            .sizeHint();
    const QPoint topLeft = replacePromptPosition(viewport->mapToGlobal(caret.topLeft()), textHeight,
                                                 boxSize, memo_->screen()->availableGeometry());
    SelectionShownUnfocused shown(memo_);
    switch (desktop().askYesNoAll(memo_, caption, text, topLeft)) {
        case DesktopServices::Answer::YesToAll:
            promptReplace_ = false;
            replaceAll_ = true;
            return true;
        case DesktopServices::Answer::Yes:
            return true;
        default:
            return false;
    }
}

bool TMemoSearch::replaceOnce() {
    if (memo_ == nullptr || !searchAndSelect()) return false;
    QTextCursor cursor = cursorOf(memo_);
    const bool replace = !promptReplace_ || confirmReplace(cursor);
    auto* dialog = qobject_cast<ReplaceDialog*>(dialog_.data());
    if (memo_ == nullptr || dialog == nullptr) return false;  // gone while asking
    if (replace) {
        const QString with = dialog->replaceText();
        cursor.beginEditBlock();
        cursor.insertText(with);
        cursor.endEditBlock();
        foundPosition_ = cursor.position();
        ++replaceCount_;
        select(memo_, selection(cursor, foundPosition_ - static_cast<int>(with.size()),
                                static_cast<int>(with.size())));
    } else {
        foundPosition_ = cursor.selectionEnd();
        select(memo_, cursor);
    }
    if (replaceCount_ == 1 && hideAfterSearch_) closeDialog();
    return true;
}

}  // namespace kelvane
