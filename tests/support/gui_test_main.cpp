#include <gtest/gtest.h>

#include <QApplication>

// Window tests need one application object for the whole run.
int main(int argc, char** argv) {
    // Test discovery runs this program without the test environment.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvane"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
