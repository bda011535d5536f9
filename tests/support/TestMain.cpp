// The one main() of every test executable: a QApplication on the offscreen platform unless the
// test was started on a real display (xvfb-run sets QT_QPA_PLATFORM=xcb through ctest).
#include <QApplication>
#include <gtest/gtest.h>

#include <clocale>

namespace {

QtMessageHandler previousHandler = nullptr;

// The offscreen platform says so each time a window asks for what it lacks; that is expected.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("This plugin does not support")))
        return;
    previousHandler(type, context, message);
}

} // namespace

int main(int argc, char** argv)
{
    previousHandler = qInstallMessageHandler(quietHandler);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // libmpv refuses to start under a locale whose decimal point is not '.'.
    std::setlocale(LC_NUMERIC, "C");
    return RUN_ALL_TESTS();
}
