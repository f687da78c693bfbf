#include "streammeta.h"

#include "audiovalues.h"
#include "callbacktrap.h"
#include "playerstate.h"
#include "recordingname.h"
#include "recordingstate.h"
#include "streamformat.h"
#include "titlehistory.h"

#include "platform/errorchain.h"
#include "tagtext.h"

namespace zvengine {
namespace {

QString currentCaption() {
    const PlayerState& player = playerState();
    return player.stationName(player.currentStation.load());
}

// The stream's type for the title's file. A chained Ogg stream may change its codec from song
// to song; the library names the new song's codec before its title, so the file fits it.
std::uint32_t typeForTitle(std::uint64_t generation) {
    const std::uint32_t known = recordingState().streamType.load();
    if (frameStartOf(known) != FrameStart::OggPage) {
        return known;
    }
    ZVA_ChannelInfo info{};
    if (ZVA_ChannelGetInfo(playerState().streamHandleOf(generation), &info) == 0 ||
        frameStartOf(info.ctype) != FrameStart::OggPage) {
        return known;
    }
    setStreamType(info.ctype);
    return info.ctype;
}

}  // namespace

void DoMeta(const char* text, std::uint64_t generation) {
    zverr::Procedure proc("modNetRadio", "DoMeta");
    try {
        proc.step(1);
        if (text == nullptr || !playerState().current(generation)) {
            return;
        }
        proc.step(2);
        const std::optional<std::string> cut =
            zva::streamTitle(AnsiPtrToString(text).toStdString());
        if (!cut) {
            return;
        }
        proc.step(3);
        const QString title = QString::fromStdString(*cut);
        QString shown = title;
        shown.replace(QLatin1Char('&'), QLatin1String("&&"));
        playerState().showLabel(generation, ReceiverView::Label::Title, shown);
        proc.step(4);
        const QString caption = currentCaption();
        tellTitleShown(generation, caption, shown);
        RecordingState& state = recordingState();
        const QString path = recordingPath(title, caption, typeForTitle(generation));
        std::lock_guard lock(state.mutex);
        // Asked again under the lock, so that a stop's end of the recording is never undone.
        if (!playerState().current(generation)) {
            return;
        }
        state.titleText = shown;
        if (state.titleText != state.lastTitle) {
            state.lastTitle = state.titleText;
            state.recordSynced = false;
            state.recordOpened = false;
            // The bytes before the stream's first title belong to that title: the receiver
            // heard it from there on.
            if (!state.recordFile.isEmpty()) {
                state.titleKeep.drop();
            }
        }
        state.recordFile = path;
    } catch (...) {
        proc.passOn();
    }
}

void MetaSync(ZVA_HSYNC, ZVA_HSTREAM, std::uintptr_t data, void* user) {
    trapCallback("modNetRadio.MetaSync", [&] {
        zverr::Procedure proc("modNetRadio", "MetaSync");
        try {
            proc.step(1);
            DoMeta(reinterpret_cast<const char*>(data),
                   static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(user)));
        } catch (...) {
            proc.passOn();
        }
    });
}

}  // namespace zvengine
