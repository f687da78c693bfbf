// The stream connection worker: one thread per station start that probes the station, creates
// its stream, shows the buffering, then the station's headers, format and title, and starts
// playback at the slider's volume. The stream plays on inside the audio library after the
// worker has ended.
//
// A worker carries the generation it was started in (PlayerState). Once a newer start or a stop
// has begun another generation it is overtaken: it writes no label, frees no library, reopens
// no device, releases no worker but itself, and frees any stream it created itself; so two
// stations never play at once, whatever the timing of clicks.
//
// The workers are the engine's own (StreamWorkers): an overtaken one is asked to stop and ends
// at its next pass, its probe cut short; the window's unload waits for all of them.
//
// Thread contract: startWorker, closeThr, rememberLoudness and stopStream on the UI thread;
// OpenURL on its own thread.
#pragma once

#include <QString>

#include <cstdint>
#include <stop_token>

namespace zvengine {

// The not-available texts for a station that cannot be played, if `generation` is current; the
// player state keeps that outcome for the window's watch.
void ShowNotAvailable(std::uint64_t generation);

// Releases the current worker's handle; the worker itself is stopped by stopStream.
void closeThr();

// Starts a worker for the station at `index` in the current generation; false (nothing
// started) while the previous worker has not been released.
bool startWorker(int index);

// The worker's body, for the station at `index`; a stop requested on `stop` ends it early.
void OpenURL(int index, std::uint64_t generation, std::stop_token stop);

// The buffer fill that OpenURL shows: (download - decode) * 100 / end, rounded to the nearest
// whole number, an exact half to the even one; 0 when the end position is not positive.
int bufferPercent(std::int64_t download, std::int64_t decode, std::int64_t end);

// Remembers the loudness the stream on the air has measured of its station, for the station's
// next start (LoudnessMemory); asked while the library still knows the stream.
void rememberLoudness();

enum class OutputReopen { WhenUsed, Always };

// The engine's half of stopping the sound: starts a new generation (so every worker and stream
// so far is overtaken, and each worker is asked to stop), closes the recording file, remembers
// the station's loudness, stops the
// current stream, releases the worker, and frees the audio library and opens the output again:
// always, or only when a stream may have been created on the output since InitDev opened it;
// so the command-line station's start, just after the output opened, and a click after a stop
// find the output ready.
void stopStream(OutputReopen reopen = OutputReopen::WhenUsed);

}  // namespace zvengine
