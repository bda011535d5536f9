// Time from handing the player an address to playing, for a local MP3 stream, against a bare
// libmpv client on the same stream in the same run. Prints medians and their ratio.
#include "player/MediaPlayer.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/MediaFixtures.h"
#include "tests/support/TestUtil.h"

#include <mpv/client.h>

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <vector>

using namespace kelvane;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The bare client: options as plain as mpv allows, loadfile, wait for the file to be loaded.
double bareMpv(const QByteArray& url)
{
    mpv_handle* h = mpv_create();
    for (const auto& [k, v] : {std::pair{"ao", "null"},
                               {"vo", "null"},
                               {"vid", "no"},
                               {"config", "no"},
                               {"ytdl", "no"},
                               {"idle", "yes"}})
        mpv_set_option_string(h, k, v);
    mpv_initialize(h);
    QElapsedTimer clock;
    clock.start();
    const char* cmd[] = {"loadfile", url.constData(), nullptr};
    mpv_command(h, cmd);
    double ms = -1;
    for (;;) {
        // Serve the HTTP server's events while waiting: it runs on this thread.
        test::runFor(1);
        mpv_event* e = mpv_wait_event(h, 0);
        if (e->event_id == MPV_EVENT_FILE_LOADED) {
            ms = clock.nsecsElapsed() / 1e6;
            break;
        }
        if (e->event_id == MPV_EVENT_END_FILE || clock.elapsed() > 20000)
            break;
    }
    mpv_terminate_destroy(h);
    return ms;
}

double ourPlayer(const QString& url)
{
    MediaPlayerSettings settings;
    settings.extraOptions = {"ao=null", "vo=null"};
    MediaPlayer player(settings);
    QElapsedTimer clock;
    clock.start();
    player.setURL(url);
    if (!test::waitUntil([&] { return player.state() == MediaPlayer::State::Playing; }, 20000))
        return -1;
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");

    test::HttpTestServer server;
    const QByteArray mp3 = test::generatedMp3(30);
    server.setHandler("/live.mp3",
                      [mp3](QTcpSocket* socket, const test::HttpTestServer::Request& r) {
                          test::IcyStreamer::Options o;
                          o.source = mp3;
                          test::IcyStreamer::start(socket, r, o);
                      });
    const QString url = server.url("/live.mp3");
    const int runs = argc > 1 ? std::max(3, atoi(argv[1])) : 11;
    std::vector<double> bare, ours;
    for (int i = 0; i < runs; ++i) {
        bare.push_back(bareMpv(url.toUtf8()));
        ours.push_back(ourPlayer(url));
    }
    const double b = median(bare);
    const double o = median(ours);
    std::printf("runs %d  bare libmpv median %.1f ms  Kelvane player median %.1f ms  ratio %.2f\n",
                runs, b, o, o / b);
    return 0;
}
