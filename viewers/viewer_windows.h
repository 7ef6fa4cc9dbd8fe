#pragma once

#include "viewers/dispatch.h"

class QWidget;

namespace kelvane {

class TformBGR;
class TformDBF;
class TformIMG;
class TformKey;
class TformTXT;
class TformWAV;

// The viewer windows, created once in their fixed order with `owner` as their parent and
// reused for every file.
class ViewerWindowSet {
  public:
    explicit ViewerWindowSet(QWidget* owner);

    TformTXT* formTXT;
    TformWAV* formWAV;
    TformIMG* formIMG;
    TformBGR* formBGR;
    TformDBF* formDBF;
    TformKey* formKey;

    // How the dispatch reaches each window.
    ViewerWindows windows() const;
};

}  // namespace kelvane
