#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kelvane {

// The modeless Find dialog, shaped like the familiar desktop one: find field, whole word,
// match case, direction, Find Next and Cancel. ReplaceDialog adds the replace field and the
// Replace and Replace All buttons.
class FindDialog : public QDialog {
    Q_OBJECT

  public:
    enum Option { Down = 0x1, MatchCase = 0x2, WholeWord = 0x4, ReplaceAll = 0x8 };
    Q_DECLARE_FLAGS(Options, Option)
    Q_FLAG(Options)

    explicit FindDialog(QWidget* parent);

    QString findText() const;
    void setFindText(const QString& text);
    Options options() const;
    void setOptions(Options options);
    int helpContext() const { return helpContext_; }
    void setHelpContext(int context) { helpContext_ = context; }

  signals:
    void findNext();
    void replace();
    // The dialog was closed, by Cancel, the title bar or the program.
    void closed();

  protected:
    FindDialog(QWidget* parent, bool withReplace);
    void hideEvent(QHideEvent* event) override;

  private:
    void buildLayout(bool withReplace);
    void updateButtons();

    QLineEdit* findEdit_;
    QLineEdit* replaceEdit_ = nullptr;
    QCheckBox* wholeWord_;
    QCheckBox* matchCase_;
    QRadioButton* up_ = nullptr;
    QRadioButton* down_ = nullptr;
    QPushButton* findNext_;
    QPushButton* replace_ = nullptr;
    QPushButton* replaceAll_ = nullptr;
    Options options_ = Down;
    int helpContext_ = 0;

    friend class ReplaceDialog;
};

class ReplaceDialog : public FindDialog {
    Q_OBJECT

  public:
    explicit ReplaceDialog(QWidget* parent);

    QString replaceText() const;
    void setReplaceText(const QString& text);
};

}  // namespace kelvane

Q_DECLARE_OPERATORS_FOR_FLAGS(kelvane::FindDialog::Options)
