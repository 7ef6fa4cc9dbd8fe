#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>

namespace kelvane {

class TPOD;

// What the archive's header says about it, and its audit trail in a table. Archive texts
// are shown as plain text.
class ArchiveProperties : public QDialog {
    Q_OBJECT
  public:
    // `dateText` shows a timestamp as the listing does.
    ArchiveProperties(const TPOD& archive, const std::function<QString(std::uint32_t)>& dateText,
                      QWidget* parent = nullptr);
};

}  // namespace kelvane
