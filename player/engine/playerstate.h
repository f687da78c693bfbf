// The player state that the UI thread, the stream workers and the audio library's callbacks
// share: the current stream, the station last chosen, the slider's volume, which start of the
// sound is the current one, and what is on the air in it (its state and its last title).
//
// Thread contract: every member may be used from any thread. The window attaches itself and the
// station table on the UI thread when it is created and detaches them when it goes; workers and
// callbacks reach them only through this object's lock, so never after the window has gone.
#pragma once

#include "receiverview.h"
#include "stationtable.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

namespace zvengine {

// What is on the air.
enum class OnAir {
    Stopped,       // nothing chosen, or stopped
    Connecting,    // a station was started and its stream is being connected and buffered
    Playing,       // its stream plays
    NotAvailable,  // it could not be played
};

class PlayerState {
public:
    void attach(ReceiverView* view, const StationList* stations);
    // Detaches `view` and its station table, if they are the ones attached.
    void detach(const ReceiverView* view);
    // A label or the caption on the attached view, if there is one and `of` is current. A
    // title shown is kept as the title on the air.
    void showLabel(std::uint64_t of, ReceiverView::Label label, const QString& text);
    void showCaption(std::uint64_t of, const QString& text);
    // The name (the preset button's caption) of the station at `index`, empty without a table;
    // std::out_of_range for an index past the table.
    QString stationName(int index) const;
    // The stream address of the station at `index`, as stationName.
    QString streamUrl(int index) const;
    // Whether the table offers a station at `index`; false without a table.
    bool offered(int index) const;

    std::atomic<int> currentStation{0};  // the preset button index last chosen
    std::atomic<int> sliderValue{48};    // the volume slider's position, 0..50
    // The worker that runs now, by its generation; 0 = none. Released by closeThr and by the
    // worker itself when it ends while it is still the one named here.
    std::atomic<std::uint64_t> workerThread{0};

    // Starts a new generation (a start or a stop of the sound): every worker and stream of an
    // earlier one is overtaken from now on, and nothing is on the air in it yet. UI thread
    // only. Returns the new generation.
    std::uint64_t beginGeneration();
    std::uint64_t generation() const { return generation_.load(); }
    // Whether `of` is still the current generation: a worker and the callbacks of its stream
    // carry the generation they were started in and touch nothing shared once it has passed.
    bool current(std::uint64_t of) const { return generation_.load() == of; }

    // The current stream; 0 = none. It is not cleared when the library is freed, so it may name
    // a stream the library no longer knows (which the library answers with failure values).
    std::uint32_t streamHandle() const;
    // Makes `handle`, created for the stream address `address`, the current stream if `of` is
    // still the current generation.
    bool setStreamHandle(std::uint64_t of, std::uint32_t handle, const QString& address = {});
    // The stream address the current stream was created for.
    QString streamAddress() const;
    // The current stream if `of` is still the current generation, else 0: a stream that a newer
    // worker stored is never handed to an older one.
    std::uint32_t streamHandleOf(std::uint64_t of) const;

    // Notes what is on the air in generation `of`, if it is still current.
    void markOnAir(std::uint64_t of, OnAir state);
    OnAir onAir() const;
    // Whether the station of the current generation could not be played.
    bool notAvailable() const { return onAir() == OnAir::NotAvailable; }
    // The title last shown in the current generation; empty before one.
    QString title() const;

    // Called, from whichever thread made it and outside the lock, after every change of the
    // state or the title on the air.
    void onChange(std::function<void()> listener);

private:
    // Calls the listener; never under the lock.
    void notify() const;

    mutable std::mutex mutex_;
    std::atomic<std::uint64_t> generation_{0};  // changed under mutex_, read anywhere
    std::uint32_t streamHandle_ = 0;            // guarded by mutex_
    QString streamAddress_;                     // guarded by mutex_
    OnAir onAir_ = OnAir::Stopped;              // guarded by mutex_
    QString title_;                             // guarded by mutex_
    std::function<void()> changed_;             // guarded by mutex_
    ReceiverView* view_ = nullptr;              // guarded by mutex_
    const StationList* stations_ = nullptr;     // guarded by mutex_
};

PlayerState& playerState();

}  // namespace zvengine
