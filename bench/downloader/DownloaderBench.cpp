// Run: build/bench/downloader/downloader_bench (needs curl on PATH for the reference figures).
//
// A loopback server in a child process (so its CPU and memory are not counted) serves a 64 MiB
// body, a connection that never answers and one that stalls after 64 KiB. The download figures
// are the whole process (the UI thread and Qt's network thread): wall-clock throughput, CPU
// seconds from getrusage, and the growth of the resident set (VmHWM after the transfer over
// VmRSS before it). curl's CPU comes from wait4 on its own process. A summary with the targets
// follows the benchmark table.
#include "downloader/FileDownloader.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace kelvane;

namespace {

constexpr qint64 kBodyBytes = 64LL * 1024 * 1024;
constexpr qint64 kStallBytes = 64 * 1024;

// ---- the server (child process) ----

bool sendAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void sendBody(int fd, qint64 bytes)
{
    static const std::string pattern = [] {
        std::string out(1 << 20, '\0');
        unsigned x = 12345;
        for (char& c : out) {
            x = x * 1103515245u + 12345u;
            c = static_cast<char>(x >> 16);
        }
        return out;
    }();
    while (bytes > 0) {
        const size_t piece = static_cast<size_t>(std::min<qint64>(bytes, qint64(pattern.size())));
        if (!sendAll(fd, pattern.data(), piece))
            return;
        bytes -= static_cast<qint64>(piece);
    }
}

void holdUntilClosed(int fd)
{
    char buffer[4096];
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
}

void serveConnection(int fd)
{
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            ::close(fd);
            return;
        }
        request.append(buffer, static_cast<size_t>(n));
    }
    const std::string path = request.substr(4, request.find(' ', 4) - 4);
    const auto header = [](qint64 length) {
        return "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
               std::to_string(length) + "\r\nConnection: close\r\n\r\n";
    };
    if (path == "/big.dat") {
        const std::string head = header(kBodyBytes);
        if (sendAll(fd, head.data(), head.size()))
            sendBody(fd, kBodyBytes);
    } else if (path == "/silent") {
        holdUntilClosed(fd);
    } else if (path == "/stall.dat") {
        const std::string head = header(kBodyBytes);
        if (sendAll(fd, head.data(), head.size()))
            sendBody(fd, kStallBytes);
        holdUntilClosed(fd);
    } else {
        const std::string notFound = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n";
        sendAll(fd, notFound.data(), notFound.size());
    }
    ::shutdown(fd, SHUT_WR);
    ::close(fd);
}

// Forks the server; returns its pid and port. Must run before any thread exists.
pid_t startServer(quint16& port)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::close(pipeFds[0]);
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener, 16) != 0 ||
            ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            ::_exit(1);
        const quint16 bound = ntohs(address.sin_port);
        if (::write(pipeFds[1], &bound, sizeof bound) != sizeof bound)
            ::_exit(1);
        ::close(pipeFds[1]);
        for (;;) {
            const int fd = ::accept(listener, nullptr, nullptr);
            if (fd >= 0)
                std::thread(serveConnection, fd).detach();
        }
    }
    ::close(pipeFds[1]);
    if (::read(pipeFds[0], &port, sizeof port) != sizeof port)
        port = 0;
    ::close(pipeFds[0]);
    return pid;
}

// ---- measuring ----

double seconds(const timeval& tv)
{
    return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) / 1e6;
}

double processCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

qint64 statusKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

void resetPeakRss()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

struct Figures
{
    double mbPerSecond = 0;
    double cpuSeconds = 0;
    double rssGrowthMiB = 0;
    double wallSeconds = 0;
};

quint16 g_port = 0;
QString g_folder;
Figures g_download;
Figures g_curl;
Figures g_silent;
Figures g_stall;

QString url(const char* path)
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(g_port).arg(QLatin1String(path));
}

void BM_DownloadFile64MiB(benchmark::State& state)
{
    FileDownloader downloader;
    const QString destination = g_folder + QStringLiteral("/big-download.dat");
    double best = 0;
    double cpu = 0;
    double growth = 0;
    for (auto _ : state) {
        QFile::remove(destination);
        const qint64 before = statusKiB("VmRSS:");
        resetPeakRss();
        const double cpuBefore = processCpuSeconds();
        QElapsedTimer clock;
        clock.start();
        const bool ok = downloader.DownloadFile(url("/big.dat"), destination);
        const double wall = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        const double used = processCpuSeconds() - cpuBefore;
        const qint64 peak = statusKiB("VmHWM:");
        if (!ok || QFileInfo(destination).size() != kBodyBytes) {
            state.SkipWithError("DownloadFile did not receive the whole body");
            return;
        }
        state.SetIterationTime(wall);
        const double rate = static_cast<double>(kBodyBytes) / 1e6 / wall;
        if (rate > best) {
            best = rate;
            cpu = used;
        }
        growth = std::max(growth, static_cast<double>(peak - before) / 1024.0);
    }
    g_download = {best, cpu, growth, 0};
    state.SetBytesProcessed(state.iterations() * kBodyBytes);
    state.counters["best_MBps"] = best;
    state.counters["cpu_s"] = cpu;
    state.counters["rss_growth_MiB"] = growth;
    QFile::remove(destination);
}

void BM_Curl64MiB(benchmark::State& state)
{
    const QByteArray destination = QFile::encodeName(g_folder + QStringLiteral("/big-curl.dat"));
    const QByteArray target = url("/big.dat").toLatin1();
    double best = 0;
    double cpu = 0;
    for (auto _ : state) {
        ::unlink(destination.constData());
        QElapsedTimer clock;
        clock.start();
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execlp("curl", "curl", "-s", "-o", destination.constData(), target.constData(),
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        rusage usage{};
        ::wait4(pid, &status, 0, &usage);
        const double wall = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("curl failed (is it installed?)");
            return;
        }
        state.SetIterationTime(wall);
        const double rate = static_cast<double>(kBodyBytes) / 1e6 / wall;
        if (rate > best) {
            best = rate;
            cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
        }
    }
    g_curl = {best, cpu, 0, 0};
    state.SetBytesProcessed(state.iterations() * kBodyBytes);
    state.counters["best_MBps"] = best;
    state.counters["cpu_s"] = cpu;
    ::unlink(destination.constData());
}

// A transfer that waits: on a server that never answers (the connect time-out ends it) or on
// one that stalls mid-body (the inactivity time-out ends it).
void waitOnSilence(benchmark::State& state, const char* path, Figures& out)
{
    FileDownloader downloader;
    downloader.setConnectTimeout(2000);
    downloader.setInactivityTimeout(2000);
    const QString destination = g_folder + QStringLiteral("/silent.dat");
    for (auto _ : state) {
        const double cpuBefore = processCpuSeconds();
        QElapsedTimer clock;
        clock.start();
        if (downloader.DownloadFile(url(path), destination)) {
            state.SkipWithError("a silent server gave a file");
            return;
        }
        out.wallSeconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        out.cpuSeconds = processCpuSeconds() - cpuBefore;
        state.SetIterationTime(out.wallSeconds);
    }
    state.counters["cpu_s"] = out.cpuSeconds;
    state.counters["cpu_share"] = out.cpuSeconds / out.wallSeconds;
}

void BM_WaitOnSilentServer(benchmark::State& state)
{
    waitOnSilence(state, "/silent", g_silent);
}

void BM_WaitOnStalledBody(benchmark::State& state)
{
    waitOnSilence(state, "/stall.dat", g_stall);
}

BENCHMARK(BM_DownloadFile64MiB)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Curl64MiB)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WaitOnSilentServer)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WaitOnStalledBody)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

const char* verdict(bool ok)
{
    return ok ? "met" : "MISSED";
}

} // namespace

int main(int argc, char** argv)
{
    const pid_t server = startServer(g_port); // before any thread exists
    if (server <= 0 || g_port == 0) {
        std::fprintf(stderr, "could not start the loopback server\n");
        return 1;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Beside the files a user downloads into: a real disk folder, not a RAM file system.
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/kelvane-bench-XXXXXX"));
    g_folder = folder.path();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ::kill(server, SIGKILL);
    ::waitpid(server, nullptr, 0);

    std::printf("\nSummary (64 MiB over loopback; best of 3 each, same server, same run)\n");
    std::printf("  DownloadFile  %8.1f MB/s  %6.3f CPU s  peak RSS growth %.1f MiB\n",
                g_download.mbPerSecond, g_download.cpuSeconds, g_download.rssGrowthMiB);
    std::printf("  curl -o       %8.1f MB/s  %6.3f CPU s\n", g_curl.mbPerSecond, g_curl.cpuSeconds);
    const double share = g_curl.mbPerSecond > 0 ? g_download.mbPerSecond / g_curl.mbPerSecond : 0;
    std::printf("  throughput >= 200 MB/s: %s; >= 1/10 of curl (%.2f): %s; memory growth < 8 MiB: "
                "%s\n",
                verdict(g_download.mbPerSecond >= 200), share, verdict(share >= 0.1),
                verdict(g_download.rssGrowthMiB < 8));
    std::printf("  waiting on a silent server: %.3f CPU s over %.2f s; on a stalled body: %.3f CPU "
                "s over %.2f s\n",
                g_silent.cpuSeconds, g_silent.wallSeconds, g_stall.cpuSeconds, g_stall.wallSeconds);
    return 0;
}
