// The audio library's part in the start: the library must be version 2.3 with both of its files
// in the program folder, and its AAC add-on must load.
//
// Thread contract: UI thread only, during start-up; both may end the program with a box.
#pragma once

#include <cstdint>

namespace zvstartup {

// Ends the program with the reinstall box unless the high word of version (as the library
// reports it) is 2.3 and libzvaudio_aac.so and libzvaudio.so are in the program folder.
void checkAudioLibrary(std::uint32_t version);

// Loads the AAC add-on into the library. When it will not load: the audio-library failure box
// with the library's error code, the library freed, the end of the program.
void loadAacAddOn();

}  // namespace zvstartup
