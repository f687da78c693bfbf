#include "audiovalues.h"
#include "playerstate.h"
#include "recorder.h"
#include "streamtitle.h"
namespace zvengine {
QString AnsiPtrToString(const char* text) {
    return text ? QString::fromUtf8(text) : QString();
}
ZVA_HSYNC SetSync(ZVA_HSTREAM stream, std::uint32_t type, std::uint32_t param, ZVA_SyncProc proc,
                  void* user) {
    return ZVA_ChannelSetSync(stream, type, param, proc, user);
}
void DoMeta(std::uint64_t generation, const char* text) {
    if (!text)
        return;
    QString t = QString::fromUtf8(text);
    if (!t.startsWith("StreamTitle='"))
        return;
    t = t.mid(13);
    t = t.left(t.indexOf("';"));
    playerState().view->setLabel(generation, ReceiverView::Label::Title, t.replace("&", "&&"));
}
void MetaSync(ZVA_HSYNC, ZVA_HSTREAM, uintptr_t data, void* user) {
    auto g = reinterpret_cast<std::uintptr_t>(user);
    if (playerState().current(g))
        DoMeta(g, reinterpret_cast<const char*>(data));
}
void SUBDOWNLOADPROC(const void* buffer, uint32_t length, void* user) {
    auto g = reinterpret_cast<std::uintptr_t>(user);
    if (buffer && !length && playerState().current(g))
        playerState().view->setLabel(g, ReceiverView::Label::Bps,
                                     QString::fromUtf8(static_cast<const char*>(buffer)));
}
void setStreamType(std::uint32_t) {}
void createFileWriter() {}
}  // namespace zvengine
