#include "viewers/MemoSearch.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <memory>

#include "tests/support/scripted_desktop.h"

namespace kelvane {
namespace {

using test::ScriptedDesktop;

// A window with a text box and a search component configured as the viewers use it.
struct SearchFixture : ::testing::Test {
    ScriptedDesktop desktop;
    QWidget window;
    QPlainTextEdit* memo = new QPlainTextEdit(&window);
    TMemoSearch search{&window};

    SearchFixture() {
        search.setHideAfterSearch(false);
        search.setMemo(memo);
        window.show();
        memo->setFocus();
    }

    void setText(const QString& text, int selectFrom = 0, int selectTo = 0) {
        memo->setPlainText(text);
        QTextCursor cursor(memo->document());
        cursor.setPosition(selectFrom);
        cursor.setPosition(selectTo, QTextCursor::KeepAnchor);
        memo->setTextCursor(cursor);
    }
    // Presses a key in the text box and lets the deferred dialog open.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(memo, key, modifiers);
        QCoreApplication::processEvents();
    }
    FindDialog* openDialog(Qt::Key key, const QString& find, const QString& replace = {}) {
        press(key, Qt::ControlModifier);
        FindDialog* dialog = search.dialog();
        if (dialog == nullptr) return nullptr;
        dialog->findChild<QLineEdit*>("FindText")->setText(find);
        if (auto* field = dialog->findChild<QLineEdit*>("ReplaceText")) field->setText(replace);
        return dialog;
    }
    static void click(FindDialog* dialog, const char* button) {
        dialog->findChild<QPushButton*>(button)->click();
    }
    std::pair<int, int> selection() const {
        const QTextCursor cursor = memo->textCursor();
        return {cursor.selectionStart(), cursor.selectionEnd()};
    }
    QStringList messageTexts() const {
        QStringList texts;
        for (const auto& message : desktop.messages) texts << message.caption + ": " + message.text;
        return texts;
    }
};

TEST(MemoSearchKeys, ShortcutValuesAndPromptPlacement) {
    EXPECT_EQ(TMemoSearch::shortcutValue(Qt::Key_F, Qt::ControlModifier), 16454);
    EXPECT_EQ(TMemoSearch::shortcutValue(Qt::Key_R, Qt::ControlModifier), 16466);
    EXPECT_EQ(TMemoSearch::shortcutValue(Qt::Key_F3, Qt::NoModifier), 114);
    EXPECT_EQ(TMemoSearch::shortcutValue(Qt::Key_A, Qt::ShiftModifier | Qt::AltModifier), 0xA041);
    EXPECT_EQ(TMemoSearch::shortcutValue(Qt::Key_5, Qt::KeypadModifier), 0x65);
    EXPECT_EQ(TMemoSearch::shortcutValue(Qt::Key_Eacute, Qt::ControlModifier), 0);

    const QRect screen(0, 0, 1000, 800);
    const QSize box(300, 120);
    // Below the match by the text height + 5.
    EXPECT_EQ(replacePromptPosition({100, 200}, 16, box, screen), QPoint(100, 221));
    // Pulled left at the right edge; above the match at the bottom edge.
    EXPECT_EQ(replacePromptPosition({900, 700}, 16, box, screen), QPoint(700, 575));
}

TEST_F(SearchFixture, CtrlFTakesTheSelectionAndSwallowsTheKey) {
    setText("alpha beta gamma", 6, 10);
    press(Qt::Key_F, Qt::ControlModifier);
    ASSERT_NE(search.dialog(), nullptr);
    EXPECT_TRUE(search.dialog()->isVisible());
    EXPECT_FALSE(search.dialog()->isModal());
    EXPECT_EQ(search.dialog()->findText(), "beta");
    EXPECT_EQ(memo->toPlainText(), "alpha beta gamma");
    EXPECT_EQ(search.dialog()->findChild<QLineEdit*>("ReplaceText"), nullptr);

    // Ctrl+R replaces the dialog with a replace dialog, which gets the options chosen.
    QPointer<FindDialog> first = search.dialog();
    first->findChild<QCheckBox*>("MatchCase")->setChecked(true);
    press(Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(first.isNull());
    ASSERT_NE(search.dialog(), nullptr);
    EXPECT_NE(search.dialog()->findChild<QLineEdit*>("ReplaceText"), nullptr);
    EXPECT_TRUE(search.dialog()->findChild<QCheckBox*>("MatchCase")->isChecked());

    // F3 with nothing searched yet is left to the text box.
    search.setSearchString({});
    press(Qt::Key_F3);
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(SearchFixture, FindNextAndF3ContinueAfterTheSelection) {
    setText("aaaa\nx aa");
    FindDialog* dialog = openDialog(Qt::Key_F, "aa");
    ASSERT_NE(dialog, nullptr);
    click(dialog, "FindNext");
    EXPECT_EQ(selection(), std::make_pair(0, 2));
    EXPECT_TRUE(memo->hasFocus());
    press(Qt::Key_F3);
    EXPECT_EQ(selection(), std::make_pair(2, 4));
    press(Qt::Key_F3);  // on the next line: positions count the line break once
    EXPECT_EQ(selection(), std::make_pair(7, 9));
    press(Qt::Key_F3);
    EXPECT_EQ(messageTexts(), QStringList{"Search Results: No more instances of \"aa\" found."});

    // Upwards, whole word, from the end: only the separate "aa" qualifies, then nothing.
    dialog->findChild<QCheckBox*>("WholeWord")->setChecked(true);
    dialog->setOptions(dialog->options() & ~FindDialog::Down);
    setText(memo->toPlainText(), 9, 9);
    press(Qt::Key_F3);
    EXPECT_EQ(selection(), std::make_pair(7, 9));
    press(Qt::Key_F3);
    EXPECT_EQ(desktop.messages.size(), 2u);

    // A new search string that is absent.
    dialog->findChild<QLineEdit*>("FindText")->setText("zz");
    click(dialog, "FindNext");
    EXPECT_EQ(desktop.messages.back().text, "Search string \"zz\" not found.");

    // The options chosen survive into the next dialog.
    dialog->close();
    EXPECT_TRUE(search.options().testFlag(FindDialog::WholeWord));
    EXPECT_FALSE(search.options().testFlag(FindDialog::Down));
    press(Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(search.dialog()->findChild<QCheckBox*>("WholeWord")->isChecked());
}

TEST_F(SearchFixture, ReplaceOneThenAllWithOneCountMessage) {
    search.setShowReplaceCount(true);
    setText("cat cat\ncat concat");
    FindDialog* dialog = openDialog(Qt::Key_R, "cat", "dog");
    ASSERT_NE(dialog, nullptr);
    click(dialog, "Replace");
    EXPECT_EQ(memo->toPlainText(), "dog cat\ncat concat");
    EXPECT_EQ(memo->textCursor().selectedText(), "dog");
    // F3 repeats the replacement.
    press(Qt::Key_F3);
    EXPECT_EQ(memo->toPlainText(), "dog dog\ncat concat");
    // Each replacement is one undoable edit.
    memo->undo();
    EXPECT_EQ(memo->toPlainText(), "dog cat\ncat concat");
    EXPECT_TRUE(desktop.messages.empty());

    // Replace All in a fresh dialog: every remaining instance, then the count once.
    dialog = openDialog(Qt::Key_R, "cat", "dog");
    click(dialog, "ReplaceAll");
    EXPECT_EQ(memo->toPlainText(), "dog dog\ndog condog");
    EXPECT_EQ(messageTexts(), QStringList{"Replace Results: Replaced 3 instances of \"cat\"."});

    // Replace All right after a single Replace in the same dialog still replaces them all.
    setText("ab ab ab ab");
    dialog = openDialog(Qt::Key_R, "ab", "");
    click(dialog, "Replace");
    click(dialog, "ReplaceAll");
    EXPECT_EQ(memo->toPlainText(), "   ");
}

TEST_F(SearchFixture, PromptedReplaceAndYesToAll) {
    search.setPromptReplace(true);
    setText("one one one one");
    desktop.yesNoAnswers = {DesktopServices::Answer::No, DesktopServices::Answer::Yes,
                            DesktopServices::Answer::YesToAll};
    FindDialog* dialog = openDialog(Qt::Key_R, "one", "1");
    click(dialog, "Replace");  // No: nothing changes, the next search goes on after it
    EXPECT_EQ(memo->toPlainText(), "one one one one");
    click(dialog, "Replace");  // Yes
    EXPECT_EQ(memo->toPlainText(), "one 1 one one");
    click(dialog, "Replace");  // Yes to All: this one and the rest, no more questions
    EXPECT_EQ(memo->toPlainText(), "one 1 1 1");
    EXPECT_FALSE(search.promptReplace());
    ASSERT_EQ(desktop.yesNoPositions.size(), 3u);
    EXPECT_EQ(desktop.messages[0].text, "Replace current text?");
    // The question stands below the line of the match.
    const QRect matchRect = memo->cursorRect(QTextCursor(memo->document()));
    EXPECT_GT(desktop.yesNoPositions[0].y(),
              memo->viewport()->mapToGlobal(matchRect.topLeft()).y());
}

TEST_F(SearchFixture, DetachReattachAndDestruction) {
    setText("word");
    search.setMemo(nullptr);
    press(Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(search.dialog(), nullptr);

    auto* rich = new QTextEdit(&window);
    rich->setPlainText("first\nsecond word");
    search.setMemo(rich);
    QTest::keyClick(rich, Qt::Key_F, Qt::ControlModifier);
    QCoreApplication::processEvents();
    ASSERT_NE(search.dialog(), nullptr);
    search.dialog()->findChild<QLineEdit*>("FindText")->setText("word");
    click(search.dialog(), "FindNext");
    EXPECT_EQ(rich->textCursor().selectionStart(), 13);

    delete rich;
    EXPECT_EQ(search.memo(), nullptr);
    search.findStep();  // nothing attached: nothing happens
    EXPECT_TRUE(desktop.messages.empty());
}

}  // namespace
}  // namespace kelvane
