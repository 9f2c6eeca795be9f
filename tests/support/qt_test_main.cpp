// GoogleTest main inside a Qt application object, so tests can run the event
// loop: a QApplication for widget tests, a QCoreApplication otherwise.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <csignal>
#include <memory>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    std::signal(SIGPIPE, SIG_IGN);
    std::unique_ptr<QCoreApplication> app;
#ifdef QUENLO_TEST_WIDGETS
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app = std::make_unique<QApplication>(argc, argv);
#else
    app = std::make_unique<QCoreApplication>(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
