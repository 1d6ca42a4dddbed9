#include <gtest/gtest.h>

#include <QtGlobal>
#include <cstring>
#include <memory>

#ifdef ZENTARO_TEST_GUI
#include <QApplication>
#else
#include <QCoreApplication>
#endif

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
#ifdef ZENTARO_TEST_GUI
    // Test discovery runs without CTest's environment; never reach for a display then.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // CTest hands over only the first variable of the test environment
    // (gtest_discover_tests splits the list), so the media backend is named
    // here too: the GStreamer one crashes offscreen.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
