#pragma once

// A name server that never answers, for one name: linked into a test, this library's
// getaddrinfo() holds a look-up of kHangingHost for kHangSeconds and then fails it; every other
// name goes to the C library's own getaddrinfo().
namespace zvtest::slowdns {

inline constexpr char kHangingHost[] = "hang.invalid";
inline constexpr int kHangSeconds = 20;

// Look-ups of kHangingHost begun and ended so far.
int started();
int finished();

}  // namespace zvtest::slowdns
