#include "streamworker.h"

#include "audiovalues.h"
#include "loudnessmemory.h"
#include "net/downtext.h"
#include "outputdevice.h"
#include "platform/errorchain.h"
#include "playerstate.h"
#include "recordingstate.h"
#include "streamformat.h"
#include "streammeta.h"
#include "streamrecorder.h"
#include "streamworkers.h"
#include "uithread.h"

#include <zvaudio.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <future>
#include <mutex>
#include <optional>

namespace zvengine {
namespace {

using Label = ReceiverView::Label;

constexpr auto kBufferingPass = std::chrono::milliseconds(50);
constexpr int kConnectedAbove = 75;

void show(std::uint64_t generation, Label label, const QString& text) {
    playerState().showLabel(generation, label, text);
}

void* userValue(std::uint64_t generation) {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(generation));
}

// Frees the library and opens the output again, on the UI thread and only while `generation`
// is current: a click meanwhile has done both already.
void reopenOutput(std::uint64_t generation, const std::stop_token& stop) {
    runOnUiThread(
        [generation] {
            if (playerState().current(generation)) {
                ZVA_Free();
                InitDev();
            }
        },
        stop);
}

// One buffering pass's pause; false when the worker was asked to stop, before or meanwhile.
bool pause(const std::stop_token& stop) {
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock lock(mutex);
    never.wait_for(lock, stop, kBufferingPass, [] { return false; });
    return !stop.stop_requested();
}

// The station's header texts: name, description and bit rate, as the server sends them.
void showHeaders(std::uint64_t generation, std::uint32_t stream) {
    const char* texts = ZVA_ChannelGetTags(stream, ZVA_TAG_ICY);
    if (texts == nullptr) {
        texts = ZVA_ChannelGetTags(stream, ZVA_TAG_HTTP);
    }
    QString name;
    QString desc = QStringLiteral("Kapcsolat létrejött");
    QString bps;
    for (const char* at = texts; at != nullptr && *at != '\0'; at += std::strlen(at) + 1) {
        // A blank after the colon, which some servers send, is not part of the value.
        const QString text = AnsiPtrToString(at);
        const auto value = [&](int from) { return text.mid(from).trimmed(); };
        if (text.startsWith(QLatin1String("icy-name:"))) {
            name = value(9);
        } else if (text.startsWith(QLatin1String("icy-description:"))) {
            desc = value(16);
        } else if (text.startsWith(QLatin1String("icy-br:"))) {
            bps = value(7) + QStringLiteral("kbps");
        }
    }
    if (!name.isEmpty() && desc == QStringLiteral("Kapcsolat létrejött")) {
        desc = name;
        name.clear();
    }
    ZVA_ChannelInfo info{};
    ZVA_ChannelGetInfo(stream, &info);
    bps.prepend(formatLabelPrefix(info.ctype));
    setStreamType(info.ctype);
    show(generation, Label::Name, name);
    show(generation, Label::Desc, desc);
    show(generation, Label::Bps, bps);
}

enum class Buffering { Filled, Freed, Lost };

// Waits, one pass every 50 ms, until more than three quarters of the download buffer are
// filled, showing the fill. A connection that closes first will never fill it; a worker asked
// to stop ends as one whose stream was freed.
Buffering buffer(std::uint64_t generation, std::uint32_t stream, const std::stop_token& stop) {
    for (;;) {
        const std::int64_t end = ZVA_StreamGetFilePosition(stream, ZVA_FILEPOS_END);
        if (end == ZVA_POSITION_NONE || !playerState().current(generation)) {
            return Buffering::Freed;
        }
        const int percent =
            bufferPercent(ZVA_StreamGetFilePosition(stream, ZVA_FILEPOS_DOWNLOAD),
                          ZVA_StreamGetFilePosition(stream, ZVA_FILEPOS_CURRENT), end);
        if (percent > kConnectedAbove) {
            return Buffering::Filled;
        }
        if (ZVA_StreamGetFilePosition(stream, ZVA_FILEPOS_CONNECTED) == 0) {
            return Buffering::Lost;
        }
        show(generation, Label::Desc, QStringLiteral("Pufferelés...  %1%").arg(percent));
        if (!pause(stop)) {
            return Buffering::Freed;
        }
    }
}

// False when the output, at rest after a silence, could not take its device again.
bool play(std::uint64_t generation, std::uint32_t stream) {
    show(generation, Label::Name, QString());
    show(generation, Label::Bps, QString());
    show(generation, Label::Title, QString());
    show(generation, Label::Desc, QStringLiteral("Kapcsolat létrejött"));
    showHeaders(generation, stream);
    DoMeta(ZVA_ChannelGetTags(stream, ZVA_TAG_META), generation);
    SetSync(stream, ZVA_SYNC_META, 0, &MetaSync, userValue(generation));
    ZVA_ChannelSetAttributes(stream, -1, playerState().sliderValue * 2, -101);
    if (ZVA_ChannelPlay(stream, 0) == 0) {
        return false;
    }
    playerState().markOnAir(generation, OnAir::Playing);
    return true;
}

}  // namespace

int bufferPercent(std::int64_t download, std::int64_t decode, std::int64_t end) {
    if (end <= 0) {
        return 0;
    }
    return static_cast<int>(
        std::lrint(static_cast<double>((download - decode) * 100) / static_cast<double>(end)));
}

void ShowNotAvailable(std::uint64_t generation) {
    playerState().markOnAir(generation, OnAir::NotAvailable);
    playerState().showCaption(generation, QStringLiteral("Zenovia"));
    show(generation, Label::Title,
         QStringLiteral("A műsor nem érhető el, vagy a hangot nem lehet lejátszani"));
    show(generation, Label::Name,
         QStringLiteral("Kérem próbálkozzon később, vagy egy másik adóval"));
}

void closeThr() {
    zverr::Procedure proc("modNetRadio", "closeThr");
    try {
        proc.step(1);
        playerState().workerThread = 0;
    } catch (...) {
        proc.passOn();
    }
}

bool startWorker(int index) {
    PlayerState& state = playerState();
    if (state.workerThread != 0) {
        return false;
    }
    const std::uint64_t generation = state.generation();
    state.workerThread = generation;
    // Marked before the worker runs: a station that fails at once must stay not available.
    state.markOnAir(generation, OnAir::Connecting);
    streamWorkers().start([index, generation](std::stop_token stop) {
        // Nothing may leave a thread's body: the program would end.
        try {
            OpenURL(index, generation, stop);
        } catch (...) {
            std::uint64_t self = generation;
            playerState().workerThread.compare_exchange_strong(self, 0);
        }
    });
    return true;
}

void OpenURL(int index, std::uint64_t generation, std::stop_token stop) {
    zverr::Procedure proc("modNetRadio", "OpenURL");
    PlayerState& state = playerState();
    try {
        const QString url = state.streamUrl(index);
        proc.step(1);
        show(generation, Label::Name, QString());
        show(generation, Label::Bps, QString());
        show(generation, Label::Title, QString());
        show(generation, Label::Desc, QStringLiteral("Kapcsolódás..."));
        proc.step(2);
        // The probe asks the station while its stream connects beside it, so a start waits for
        // the slower of the two instead of both; the probe still decides: a station it finds
        // nothing at is not available, whatever the stream did meanwhile.
        std::future<QString> probe =
            std::async(std::launch::async, [url, stop] { return modDownText::getUrls(url, stop); });
        std::uint32_t stream = 0;
        // Marked before the check: a stop that still finds the output unused has begun its
        // generation before this mark, so the check below sees it and creates nothing.
        deviceChoice().unused = false;
        if (state.current(generation)) {
            proc.step(3);
            if (const std::uint32_t previous = state.streamHandleOf(generation); previous != 0) {
                ZVA_StreamFree(previous);
            }
            proc.step(4);
            const bool web =
                url.contains(QLatin1String("ftp")) || url.contains(QLatin1String("http"));
            proc.step(5);
            stream = web ? ZVA_StreamCreateURL(url.toUtf8().constData(), 0, ZVA_STREAM_STATUS,
                                               &SUBDOWNLOADPROC, userValue(generation))
                         : 0;
        }
        if (probe.get().isEmpty()) {
            if (stream != 0) {
                ZVA_StreamFree(stream);
            }
            ShowNotAvailable(generation);
        } else if (stream != 0 && !state.setStreamHandle(generation, stream, url)) {
            // Overtaken while it was being created: the newer start owns the sound.
            ZVA_StreamFree(stream);
        } else if (stream == 0) {
            // Not created, or not even tried because a newer start came first.
            if (state.current(generation)) {
                ShowNotAvailable(generation);
                reopenOutput(generation, stop);
            }
        } else {
            // The station's loudness heard before sets the levelling's gain before any sound.
            if (const std::optional<float> lufs = loudnessMemory().loudness(url)) {
                ZVA_ChannelSetAttribute(stream, ZVA_ATTRIB_LOUDNESS, *lufs);
            }
            proc.step(6);
            switch (buffer(generation, stream, stop)) {
                case Buffering::Filled:
                    proc.step(9);
                    if (!play(generation, stream)) {
                        ShowNotAvailable(generation);
                        reopenOutput(generation, stop);
                    }
                    break;
                case Buffering::Lost:
                    ShowNotAvailable(generation);
                    break;
                case Buffering::Freed:
                    break;
            }
        }
        proc.step(10);
        std::uint64_t self = generation;
        state.workerThread.compare_exchange_strong(self, 0);
    } catch (...) {
        proc.passOn();
    }
}

void rememberLoudness() {
    const PlayerState& state = playerState();
    const std::uint32_t stream = state.streamHandle();
    float seconds = 0.0f;
    float lufs = 0.0f;
    // A stream the library no longer knows, or one with no sound past the gate, tells nothing.
    if (ZVA_ChannelGetAttribute(stream, ZVA_ATTRIB_LOUDNESS_SECONDS, &seconds) != 0 &&
        ZVA_ChannelGetAttribute(stream, ZVA_ATTRIB_LOUDNESS, &lufs) != 0) {
        loudnessMemory().measured(state.streamAddress(), seconds, lufs);
    }
}

void stopStream(OutputReopen reopen) {
    PlayerState& state = playerState();
    state.beginGeneration();
    streamWorkers().stopAll();
    endRecording();
    rememberLoudness();
    ZVA_ChannelStop(state.streamHandle());
    closeThr();
    if (reopen == OutputReopen::Always || !deviceChoice().unused) {
        ZVA_Free();
        InitDev();
    }
}

}  // namespace zvengine
