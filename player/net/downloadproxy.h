// The proxy every download of fetch() goes through, for the whole process.
//
// Thread contract: both calls may come from any thread, at any time; a download takes the
// setting once, when it starts.
#pragma once

#include <QString>

#include <optional>

namespace zvnet {

// Nothing: the system's proxy variables (http_proxy, https_proxy, all_proxy, no_proxy) decide;
// "": no proxy at all; otherwise libcurl's proxy text ("[user:password@]host:port", optionally
// after a scheme such as "socks5://").
void setProxy(std::optional<QString> proxy);
std::optional<QString> proxy();

}  // namespace zvnet
