#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/qt_desktop.h"
#include "tests/support/scripted_desktop.h"

namespace kelvane {
namespace {

TEST(QtFileFilter, PipeFormBecomesQtForm) {
    EXPECT_EQ(qtFileFilter("Fichiers Fly! POD/EPD|*.POD;*.EPD|Tous fichiers|*.*"),
              "Fichiers Fly! POD/EPD (*.POD *.EPD);;Tous fichiers (*.*)");
    EXPECT_EQ(qtFileFilter("Tous fichiers|*.*|"), "Tous fichiers (*.*)");
}

TEST(Guarded, AnyExceptionBecomesAnErrorBoxAndStopsTheCommand) {
    test::ScriptedDesktop scripted;
    bool after = false;
    guarded(nullptr, [&] {
        throw std::runtime_error("Cannot create file /x/é");
        after = true;
    });
    guarded(nullptr, [] { throw 42; });
    guarded(nullptr, [] {});
    ASSERT_EQ(scripted.messages.size(), 2u);
    EXPECT_FALSE(after);
    EXPECT_EQ(scripted.messages[0].kind, DesktopServices::MessageKind::Error);
    EXPECT_EQ(scripted.messages[0].caption, "Kelvane");
    EXPECT_EQ(scripted.messages[0].text, "Cannot create file /x/é");
    EXPECT_FALSE(scripted.messages[1].text.isEmpty());
}

}  // namespace
}  // namespace kelvane
