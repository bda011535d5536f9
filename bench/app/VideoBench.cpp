// The video window on a real display (run under xvfb-run): time from choosing a station to the
// first picture drawn, against Debian's mpv player drawing its first frame of the same stream in
// the same run; then CPU and resident memory while a 640x360 stream plays for a minute.
#include "platform/Forms.h"
#include "player/MediaPlayer.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/TestUtil.h"
#include "windows/VideoWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QOpenGLWidget>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <vector>

using namespace kelvane;

namespace {

QByteArray makeVideo(const QString& dir, int seconds)
{
    const QString out = dir + "/bench.ts";
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-hide_banner",
                            "-loglevel",
                            "error",
                            "-y",
                            "-f",
                            "lavfi",
                            "-i",
                            QStringLiteral("testsrc=size=640x360:rate=25:duration=%1").arg(seconds),
                            "-f",
                            "lavfi",
                            "-i",
                            QStringLiteral("sine=duration=%1").arg(seconds),
                            "-c:v",
                            "mpeg2video",
                            "-q:v",
                            "6",
                            "-c:a",
                            "mp2",
                            "-f",
                            "mpegts",
                            out});
    ffmpeg.waitForFinished(300000);
    QFile f(out);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

bool pictureShown(QOpenGLWidget* surface)
{
    const QImage image = surface->grabFramebuffer();
    int colourful = 0;
    for (int y = 0; y < image.height(); y += 8)
        for (int x = 0; x < image.width(); x += 8)
            colourful += image.pixelColor(x, y).saturation() > 80 ? 1 : 0;
    return colourful > 50;
}

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long rssKiB()
{
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QTemporaryDir dir;
    const int playSeconds = argc > 1 ? std::max(5, atoi(argv[1])) : 60;
    test::HttpTestServer server;
    server.setReply(
        "/tv.ts", test::HttpTestServer::ok(makeVideo(dir.path(), playSeconds + 20), "video/mp2t"));
    const QString url = server.url("/tv.ts");

    AppServices services;
    services.playerOptions = {"ao=null"};
    services.adFeedUrl = "http://127.0.0.1:9/g/g.xml";
    FormRegistry forms;
    forms.registerForm("frmTV", [&](FormRegistry& r) { return new VideoWindow(r, services); });

    std::vector<double> ours, bare;
    for (int run = 0; run < 5; ++run) {
        auto* window = dynamic_cast<VideoWindow*>(forms.show("frmTV"));
        window->Timer1_Timer(); // the picture shown at once: measure the player, not the wait
        auto* surface = qobject_cast<QOpenGLWidget*>(window->wmpt->videoArea());
        test::waitUntil([&] { return surface->isValid(); }, 5000);
        QElapsedTimer clock;
        clock.start();
        window->wmpt->close();
        window->wmpt->setURL(url);
        if (test::waitUntil([&] { return pictureShown(surface); }, 20000))
            ours.push_back(clock.nsecsElapsed() / 1e6);
        forms.unload("frmTV");
        test::flushEvents();

        // Debian's mpv, a fresh process drawing one frame on the same display.
        QProcess mpv;
        QElapsedTimer mpvClock;
        mpvClock.start();
        mpv.start("mpv",
                  {"--no-config", "--ao=null", "--vo=gpu", "--frames=1", "--really-quiet", url});
        while (!mpv.waitForFinished(10))
            QCoreApplication::processEvents(); // the loopback server runs on this thread
        bare.push_back(mpvClock.nsecsElapsed() / 1e6);
    }
    std::sort(ours.begin(), ours.end());
    std::sort(bare.begin(), bare.end());
    if (ours.empty() || bare.empty()) {
        std::printf("no picture\n");
        return 1;
    }
    std::printf(
        "first picture: Kelvane median %.0f ms, mpv (new process, one frame) median %.0f ms, "
        "ratio %.2f\n",
        ours[ours.size() / 2], bare[bare.size() / 2],
        ours[ours.size() / 2] / bare[bare.size() / 2]);

    auto* window = dynamic_cast<VideoWindow*>(forms.show("frmTV"));
    window->Timer1_Timer();
    window->wmpt->setURL(url);
    test::waitUntil([&] { return window->wmpt->state() == MediaPlayer::State::Playing; }, 20000);
    test::runFor(2000);
    const long rssStart = rssKiB();
    const double cpuStart = cpuSeconds();
    test::runFor(playSeconds * 1000);
    const double cpu = cpuSeconds() - cpuStart;
    std::printf("playing 640x360 for %d s: CPU %.1f %% of a core, RSS %ld MiB at start, %ld MiB at "
                "end\n",
                playSeconds, 100 * cpu / playSeconds, rssStart / 1024, rssKiB() / 1024);
    forms.unloadAll();
    return 0;
}
