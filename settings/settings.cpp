#include "settings/settings.h"

namespace kelvane {

Settings& settings() {
    static Settings processSettings;
    return processSettings;
}

}  // namespace kelvane
