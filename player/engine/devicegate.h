// The gate in front of the window's requests (starts, stops, the close) while the output device
// is being opened. Opening it may show the device boxes, whose event loops still deliver media
// keys, a later copy's hand-over, timers and the desktop's Quit; a request that ran inside such
// a box would tear down and open the output under the opening that is showing it. Instead, a
// request that arrives then is kept and runs once the opening is over and the request that
// caused it has finished, after whatever was kept before it. A close ends the window's requests:
// once it is kept, what was kept before it and what comes after it are dropped.
//
// The end of the program (a signal, the session's end) does not wait for an answer: the box
// goes at once, the opening stops there and the close runs.
//
// Thread contract: UI thread only.
#pragma once

#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>

namespace zvengine {

class DeviceGate {
public:
    // Marks the output as being opened for as long as it lives; openings may nest.
    class Opening {
    public:
        Opening();
        ~Opening();
        Opening(const Opening&) = delete;
        Opening& operator=(const Opening&) = delete;
    };

    // true when `request` has to wait: it is kept and runs later, unless `context` has gone or
    // its close was kept by then; false when the caller may go on at once.
    static bool holds(QObject* context, std::function<void()> request);
    // As holds(), for the close of `context`, which drops every request of it kept so far.
    static bool holdsClose(QObject* context, std::function<void()> close);

    // The program ends: the box of an opening under way closes, and the opening tries nothing
    // further (ending() tells it so).
    static void end();
    static bool ending() { return ending_; }

private:
    struct Kept {
        QPointer<QObject> context;
        std::function<void()> request;
        bool close;
    };
    // Runs what was kept, in order, while no opening is under way.
    static void release();

    static inline int openings_ = 0;
    static inline bool ending_ = false;  // until the openings are over
    static inline std::deque<Kept> kept_;
};

}  // namespace zvengine
