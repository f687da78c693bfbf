// Time from a click on a preset button to the first sound leaving the mixer, through the real
// window, worker and audio library on the "no sound" device (which plays in real time), and from
// the moment the stream is handed to the player, its pre-buffer filled, to that sound.
// Usage: bench_playback URL [RUNS]; prints both times in milliseconds, a line per run.
#include "engine/outputdevice.h"
#include "engine/playerstate.h"
#include "ui/frmmain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <zvaudio.h>

#include <cstdio>

namespace {

// True once the current stream's level shows sound that is being played.
bool sounding() {
    const std::uint32_t level = ZVA_ChannelGetLevel(zvengine::playerState().streamHandle());
    return level != ZVA_LEVEL_NONE && level != 0;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_playback URL [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 10;
    zvengine::StationList list;
    list.stations[0].streamUrl = QString::fromLocal8Bit(argv[1]);
    list.stations[0].name = QStringLiteral("Mérés");
    list.stations[0].enabled = true;
    frmMain window(list);
    zvengine::deviceChoice().deviceIndex = 0;
    zvengine::InitDev();
    ZVA_PluginLoad("libzvaudio_aac.so", 0);
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        window.btnPresents_Click(0);
        // The worker hands the stream over as soon as its creation returns, which it does
        // once the byte that fills the pre-buffer has come.
        const bool created =
            QTest::qWaitFor([] { return zvengine::playerState().streamHandle() != 0; }, 20000);
        const qint64 filled = clock.nsecsElapsed();
        if (!created || !QTest::qWaitFor(sounding, 20000)) {
            std::fprintf(stderr, "bench_playback: no sound from %s\n", argv[1]);
            return 1;
        }
        const qint64 sound = clock.nsecsElapsed();
        std::printf("%.1f %.1f\n", static_cast<double>(sound) / 1e6,
                    static_cast<double>(sound - filled) / 1e6);
        std::fflush(stdout);
        window.cmdStop_Click();
    }
    return 0;
}
