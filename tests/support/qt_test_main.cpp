#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    // Headless unless the caller chose a display platform. Headless, a large
    // screen stands beside a laptop's 1366 x 768 at a scale of 1.5.
    if (const QByteArray platform = qgetenv("QT_QPA_PLATFORM"); platform.isEmpty() || platform == "offscreen")
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" TEST_SCREENS);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
