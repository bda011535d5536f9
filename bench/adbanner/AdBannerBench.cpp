// Run: build/bench/adbanner/adbanner_bench (QT_QPA_PLATFORM=offscreen unless a display is wanted).
// The window-creation figures are the banner's share of a player window's creation; the ticker
// figure is the process CPU time spent per second of wall time while the ticker runs.
#include "adbanner/AdFeed.h"
#include "adbanner/Gg.h"
#include "platform/Shell.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <clocale>
#include <ctime>
#include <memory>

using namespace kelvane;

namespace {

class NoShell final : public Shell
{
public:
    bool openUrl(const QUrl&) override { return false; }
};

QString closedPortUrl()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1/g/g.xml").arg(port);
}

// Accepts connections and never answers.
class SilentServer
{
public:
    SilentServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection())
                s->setParent(&m_server);
        });
    }
    QString url() const
    {
        return QStringLiteral("http://127.0.0.1:%1/g/g.xml").arg(m_server.serverPort());
    }

private:
    QTcpServer m_server;
};

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void BM_CreateWithServerDown(benchmark::State& state)
{
    NoShell shell;
    const QString url = closedPortUrl();
    for (auto _ : state) {
        Gg gg(shell, url);
        benchmark::DoNotOptimize(&gg);
    }
}
BENCHMARK(BM_CreateWithServerDown)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_CreateWithServerSilent(benchmark::State& state)
{
    NoShell shell;
    SilentServer server;
    for (auto _ : state) {
        Gg gg(shell, server.url());
        benchmark::DoNotOptimize(&gg);
    }
}
BENCHMARK(BM_CreateWithServerSilent)->Unit(benchmark::kMillisecond)->Iterations(2);

QByteArray feedWithItems(int items)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss><channel>";
    for (int i = 0; i < items; ++i)
        xml += "<item><title>T" + QByteArray::number(i) + "</title><link>http://x.example/" +
               QByteArray::number(i) + "</link></item>";
    return xml + "</channel></rss>";
}

void BM_ReadFeed(benchmark::State& state)
{
    const std::optional<QByteArray> body = feedWithItems(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        LinkTable table(1);
        qint16 rows = 0;
        readFeed(body, table, rows);
        benchmark::DoNotOptimize(table.data());
    }
    state.counters["bytes"] = static_cast<double>(body->size());
}
BENCHMARK(BM_ReadFeed)->Arg(10)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Ten seconds of ticking with the banner shown; reports CPU as a share of one core.
void BM_TickerCpu(benchmark::State& state)
{
    NoShell shell;
    auto gg = std::make_unique<Gg>(shell, closedPortUrl());
    gg->show();
    runFor(500);
    for (auto _ : state) {
        QElapsedTimer wall;
        const double cpu0 = processCpuSeconds();
        wall.start();
        runFor(10000);
        const double cpu = processCpuSeconds() - cpu0;
        state.counters["cpu_percent_of_core"] = 100.0 * cpu / (wall.elapsed() / 1000.0);
    }
}
BENCHMARK(BM_TickerCpu)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
