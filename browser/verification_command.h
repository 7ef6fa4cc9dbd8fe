#pragma once

class QWidget;

namespace kelvane {

class TPOD;

// Checks every checksum of `archive` under a progress box the user can cancel, then shows a
// box listing what failed or saying that all holds. A cancelled check shows nothing more.
void verifyArchiveCommand(QWidget* parent, const TPOD& archive);

}  // namespace kelvane
