// A player-sized window docked at the top edge and left alone, for idle_cpu.sh to measure.
// Usage: dock_idle [seconds]  (runs until killed when no time is given)
#include "chrome/QuandleXPTaskBar.h"
#include "chrome/StartupPlatform.h"
#include "platform/PropertyBag.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

using namespace kelvane;
using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    preferX11InWaylandSession(argc, argv);
    QApplication app(argc, argv);
    QWidget host;
    host.setWindowTitle(u"Kelvane"_s);
    host.setFixedSize(351, 312);
    auto* bar = new QuandleXPTaskBar(&host);
    PropertyBag bag;
    bag.writeInt(u"alignment"_s, 3);
    bar->UserControl_ReadProperties(bag);
    host.show();
    if (argc > 1)
        QTimer::singleShot(QByteArray(argv[1]).toInt() * 1000, &app, &QApplication::quit);
    return QApplication::exec();
}
