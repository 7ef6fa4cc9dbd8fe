#pragma once

#include "viewers/memo_window.h"

namespace kelvane {

// The text viewer: the file's lines in an editable memo (never saved) with find and replace.
class TformTXT : public MemoWindow {
    Q_OBJECT

  public:
    explicit TformTXT(QWidget* parent = nullptr);

    // Captions the window with `path` and shows the file's lines.
    void loadFile(const QString& path);

  protected:
    bool event(QEvent* event) override;
};

}  // namespace kelvane
