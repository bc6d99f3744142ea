#pragma once

#include "playback/engine/eng_types.h"

#include <gio/gio.h>
#include <gst/gst.h>
#include <string>

namespace eng {

// How long a network stream may take, in milliseconds.
struct TNetworkLimits {
  int answerMs = 15000; // from the start to the server's first answer (its response headers)
  int typesMs = 15000;  // from that answer to knowing what the stream carries
  int stallMs = 30000;  // a running stream that sends nothing for this long has ended
};

// The source of a network stream as one element: for http and https the HTTP source, followed by
// a queue that reports how far it has filled (buffering messages); for other schemes the element
// the media framework offers for the address. The caller has checked the address. Null when no
// element takes it.
GstElement* MakeNetworkSource(const std::string& url, const TNetworkLimits& limits);

// The element inside a network source that reads from the network (for the data watch).
GstElement* NetworkReader(GstElement* source);

// HTTP sources of every graph share one session (its connections, resolver and worker thread),
// instead of each stream leaving one behind: the first source's session is kept for the process
// and handed to each later source that asks for one. Called for every bus message.
void ShareHttpSession(GstMessage* message);

// What an error posted by a network source says, as a result code: the HTTP status of a refused
// request (a redirect status means the redirect could not be followed); 0 when the error tells
// nothing particular (a flow error without a cause).
HRESULT NetworkErrorResult(const GError* error, const char* debug);

// Why a server that gave no HTTP answer could not be used, found by connecting to it once (at most
// `timeoutMs`): refused, host not found, no answer, or ZV_E_NOT_HTTP when the connection is made
// (something answers there, but not in HTTP). Cancellable.
HRESULT DiagnoseConnection(const std::string& url, int timeoutMs, GCancellable* cancel);

} // namespace eng
