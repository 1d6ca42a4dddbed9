#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
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
    // Nothing a test sends to the trash (nor a program it runs) may reach the
    // user's own: home is a folder of the run's own.
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/.local/share")));
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
