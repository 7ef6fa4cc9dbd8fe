#pragma once

#include <QDialog>
#include <array>
#include <string>

class QLineEdit;
class QPushButton;

namespace kelvane {

// The directories dialog: shows the seven directories of the settings file, lets the user
// browse for each, and writes them back on save. The in-memory settings take the saved
// values only when the dialog is shown again (or at the next start).
class TForm_init : public QDialog {
    Q_OBJECT
  public:
    explicit TForm_init(std::string iniPath, QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FormActivate();
    void browseInto(QLineEdit* edit);
    void bntSaveClick();

    std::string iniPath_;
    // In the order of the settings keys.
    std::array<QLineEdit*, 7> edits_{};
};

}  // namespace kelvane
