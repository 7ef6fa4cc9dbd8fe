#include "viewers/find_replace_dialogs.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kelvane {

FindDialog::FindDialog(QWidget* parent) : FindDialog(parent, false) {}

FindDialog::FindDialog(QWidget* parent, bool withReplace) : QDialog(parent) {
    setModal(false);
    setWindowTitle(withReplace ? tr("Replace") : tr("Find"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    buildLayout(withReplace);
    setFixedSize(sizeHint());
    updateButtons();
}

void FindDialog::buildLayout(bool withReplace) {
    auto makeButton = [this](const char* name, const QString& text) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
        return button;
    };
    findEdit_ = new QLineEdit(this);
    findEdit_->setObjectName(QStringLiteral("FindText"));
    findEdit_->setMinimumWidth(220);
    wholeWord_ = new QCheckBox(tr("Match &whole word only"), this);
    wholeWord_->setObjectName(QStringLiteral("WholeWord"));
    matchCase_ = new QCheckBox(tr("Match &case"), this);
    matchCase_->setObjectName(QStringLiteral("MatchCase"));
    findNext_ = makeButton("FindNext", tr("&Find Next"));
    findNext_->setDefault(true);
    auto* cancel = makeButton("Cancel", tr("Cancel"));

    auto* fields = new QFormLayout;
    fields->addRow(tr("Fi&nd what:"), findEdit_);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(findNext_);
    if (withReplace) {
        replaceEdit_ = new QLineEdit(this);
        replaceEdit_->setObjectName(QStringLiteral("ReplaceText"));
        fields->addRow(tr("Re&place with:"), replaceEdit_);
        replace_ = makeButton("Replace", tr("&Replace"));
        replaceAll_ = makeButton("ReplaceAll", tr("Replace &All"));
        buttons->addWidget(replace_);
        buttons->addWidget(replaceAll_);
    }
    buttons->addWidget(cancel);
    buttons->addStretch();

    auto* checks = new QVBoxLayout;
    checks->addStretch();
    checks->addWidget(wholeWord_);
    checks->addWidget(matchCase_);
    auto* choices = new QHBoxLayout;
    choices->addLayout(checks);
    if (!withReplace) {
        auto* direction = new QGroupBox(tr("Direction"), this);
        up_ = new QRadioButton(tr("&Up"), direction);
        up_->setObjectName(QStringLiteral("Up"));
        down_ = new QRadioButton(tr("&Down"), direction);
        down_->setObjectName(QStringLiteral("Down"));
        auto* directionLayout = new QHBoxLayout(direction);
        directionLayout->addWidget(up_);
        directionLayout->addWidget(down_);
        choices->addWidget(direction);
    }
    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addLayout(choices);
    left->addStretch();
    auto* main = new QHBoxLayout(this);
    main->addLayout(left, 1);
    main->addLayout(buttons);

    connect(findEdit_, &QLineEdit::textChanged, this, &FindDialog::updateButtons);
    connect(findNext_, &QPushButton::clicked, this, [this] {
        options_ &= ~ReplaceAll;
        emit findNext();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
    if (withReplace) {
        connect(replace_, &QPushButton::clicked, this, [this] {
            options_ &= ~ReplaceAll;
            emit replace();
        });
        connect(replaceAll_, &QPushButton::clicked, this, [this] {
            options_ |= ReplaceAll;
            emit replace();
        });
    }
}

void FindDialog::updateButtons() {
    const bool hasText = !findEdit_->text().isEmpty();
    findNext_->setEnabled(hasText);
    if (replace_ != nullptr) replace_->setEnabled(hasText);
    if (replaceAll_ != nullptr) replaceAll_->setEnabled(hasText);
}

QString FindDialog::findText() const {
    return findEdit_->text();
}

void FindDialog::setFindText(const QString& text) {
    findEdit_->setText(text);
    findEdit_->selectAll();
}

FindDialog::Options FindDialog::options() const {
    Options options = options_ & ~(MatchCase | WholeWord);
    if (matchCase_->isChecked()) options |= MatchCase;
    if (wholeWord_->isChecked()) options |= WholeWord;
    if (down_ != nullptr) options.setFlag(Down, down_->isChecked());
    return options;
}

void FindDialog::setOptions(Options options) {
    options_ = options;
    matchCase_->setChecked(options.testFlag(MatchCase));
    wholeWord_->setChecked(options.testFlag(WholeWord));
    if (down_ != nullptr) {
        down_->setChecked(options.testFlag(Down));
        up_->setChecked(!options.testFlag(Down));
    }
}

void FindDialog::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous()) emit closed();  // not when the owner is minimised
}

ReplaceDialog::ReplaceDialog(QWidget* parent) : FindDialog(parent, true) {}

QString ReplaceDialog::replaceText() const {
    return replaceEdit_->text();
}

void ReplaceDialog::setReplaceText(const QString& text) {
    replaceEdit_->setText(text);
}

}  // namespace kelvane
