#include <gtest/gtest.h>

#ifdef RYVO_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
// Logic tests: no widgets exist, so no QApplication either.
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

#include <clocale>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    TestApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
