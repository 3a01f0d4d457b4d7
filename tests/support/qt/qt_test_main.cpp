// Runs GoogleTest inside a QApplication. Widgets are tested offscreen unless the caller chose
// a platform (FACELOOM_TEST_DISPLAY=1 keeps DISPLAY's X server, for tests that need one).
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
    if (!std::getenv("FACELOOM_TEST_DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
