// How the window's repaints reach an X server. Qt hands them over through shared memory and,
// before it paints a place the server may still be reading, waits for the server: a round trip,
// and a wake-up of Qt's X event thread, for every redraw. The receiver's redraws are its two
// small level meters, eleven times a second, whose few kilobytes cost less sent inside the
// request itself; without shared memory they do (a third less CPU time for a receiver playing
// with its window shown). Nothing changes on Wayland or when the user has chosen for Qt.
//
// Thread contract: main thread, around the making of the application object.
#pragma once

namespace zvdisplay {

class RepaintsInsideXRequests {
public:
    // Asks Qt's X connection, made with the application object that follows, for repaints sent
    // inside the requests, unless the environment already says how.
    RepaintsInsideXRequests();

    // Once the application object exists: the programs the receiver starts (the manual's
    // viewer, the web browser) get the environment as the user gave it.
    void keepFromChildren() const;

private:
    bool asked_ = false;
};

}  // namespace zvdisplay
