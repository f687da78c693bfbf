// What the engine shows of a station: the main window's four labels and its caption. The
// window implements this; the engine never includes window code.
//
// Thread contract: every call may come from any thread (the stream worker, the audio library's
// callbacks); the change reaches the widgets on the UI thread, in the order of the calls, and
// only while `generation` is still the player's current one when it gets there: a worker that
// was overtaken meanwhile changes nothing on the screen.
#pragma once

#include <QString>

#include <cstdint>

namespace zvengine {

// The title label's text while nothing plays: two lines, parted by a lone CR.
inline const QString kChooseStationPrompt =
    QStringLiteral("Kérem, válasszon egy élő műsort\raz alábbiak közül");

// How a label's value looks on screen: a CR (or CR LF) breaks the line and "&&" shows as "&".
inline QString displayText(const QString& value) {
    QString shown = value;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    shown.replace(QStringLiteral("&&"), QStringLiteral("&"));
    return shown;
}

class ReceiverView {
public:
    enum class Label { Name, Desc, Bps, Title };

    virtual ~ReceiverView() = default;
    // The label's value exactly as the receiver writes it (CR line breaks, "&&" for one "&").
    virtual void setLabel(std::uint64_t generation, Label label, const QString& text) = 0;
    virtual void setCaption(std::uint64_t generation, const QString& text) = 0;
};

}  // namespace zvengine
