// What the engine shows of a station: the main window's four labels and its caption. The
// window implements this; the engine never includes window code.
//
// Thread contract: every call may come from any thread (the stream worker, the audio library's
// callbacks); the change reaches the widgets on the UI thread, in the order of the calls.
#pragma once

#include <QString>

namespace zvengine {

class ReceiverView {
public:
    enum class Label { Name, Desc, Bps, Title };

    virtual ~ReceiverView() = default;
    // The label's value exactly as the receiver writes it (CR line breaks, "&&" for one "&").
    virtual void setLabel(Label label, const QString& text) = 0;
    virtual void setCaption(const QString& text) = 0;
};

}  // namespace zvengine
