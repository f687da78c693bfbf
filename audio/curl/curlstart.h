#pragma once

namespace zva {

// Starts libcurl for this process the first time it is called; any thread, any number of times.
// Every request it makes must be limited to http and https (CURLOPT_PROTOCOLS_STR).
void startCurl();

}  // namespace zva
