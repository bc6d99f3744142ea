#include "playback/engine/gst_net_source.h"

#include "core/stream_address.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace eng {

GstElement* MakeNetworkSource(const std::string& url, const TNetworkLimits& limits) {
  GError* err = nullptr;
  GstElement* reader = gst_element_make_from_uri(GST_URI_SRC, url.c_str(), nullptr, &err);
  if (err)
    g_error_free(err);
  if (!reader)
    return nullptr;
  std::string scheme = zv::StreamScheme(url);
  if (scheme != "http" && scheme != "https")
    return reader;
  // The source's own I/O timeout stays behind the graph's watch, which tells a server that never
  // answers from a stream that stops sending.
  guint timeout = static_cast<guint>(std::max(limits.answerMs, limits.stallMs) / 1000 + 5);
  g_object_set(reader, "timeout", timeout, nullptr);
  GstElement* bin = gst_bin_new(nullptr);
  GstElement* queue = gst_element_factory_make("queue2", nullptr);
  if (!queue) {
    gst_object_unref(bin);
    return reader;
  }
  // Two seconds of the stream, or 512 KiB: the fill level is the prebuffering progress.
  g_object_set(queue, "use-buffering", TRUE, "max-size-bytes", 512u * 1024u, "max-size-time",
               static_cast<guint64>(2 * GST_SECOND), "max-size-buffers", 0u, nullptr);
  gst_bin_add_many(GST_BIN(bin), reader, queue, nullptr);
  gst_element_link(reader, queue);
  GstPad* src = gst_element_get_static_pad(queue, "src");
  gst_element_add_pad(bin, gst_ghost_pad_new("src", src));
  gst_object_unref(src);
  g_object_set_data(G_OBJECT(bin), "zv-reader", reader);
  return bin;
}

GstElement* NetworkReader(GstElement* source) {
  auto* reader = source ? static_cast<GstElement*>(g_object_get_data(G_OBJECT(source), "zv-reader")) : nullptr;
  return reader ? reader : source;
}

void ShareHttpSession(GstMessage* message) {
  static std::mutex lock;
  static GstContext* shared = nullptr; // kept for the life of the process
  const char* type = nullptr;
  if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_HAVE_CONTEXT) {
    GstContext* context = nullptr;
    gst_message_parse_have_context(message, &context);
    if (context && std::strcmp(gst_context_get_context_type(context), "gst.soup.session") == 0) {
      std::lock_guard<std::mutex> guard(lock);
      if (!shared)
        shared = gst_context_ref(context);
    }
    if (context)
      gst_context_unref(context);
  } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_NEED_CONTEXT && gst_message_parse_context_type(message, &type) &&
             std::strcmp(type, "gst.soup.session") == 0 && GST_IS_ELEMENT(GST_MESSAGE_SRC(message))) {
    std::lock_guard<std::mutex> guard(lock);
    if (shared)
      gst_element_set_context(GST_ELEMENT(GST_MESSAGE_SRC(message)), shared);
  }
}

HRESULT NetworkErrorResult(const GError* error, const char* debug) {
  if (!error)
    return 0;
  // The HTTP source names a refused request's status in its details: "Not Found (404), URL: ...".
  if (debug) {
    const char* mark = std::strstr(debug, "), URL:");
    if (mark) {
      const char* open = mark;
      while (open > debug && open[-1] != '(')
        --open;
      int status = std::atoi(open);
      if (status >= 300 && status < 400)
        return ZV_E_REDIRECT_FAILED;
      if (status >= 400 && status < 600)
        return HttpStatusResult(status);
    }
  }
  if (error->domain == GST_RESOURCE_ERROR && error->code == GST_RESOURCE_ERROR_NOT_FOUND)
    return HttpStatusResult(404);
  return 0;
}

HRESULT DiagnoseConnection(const std::string& url, int timeoutMs, GCancellable* cancel) {
  GSocketClient* client = g_socket_client_new();
  g_socket_client_set_timeout(client, static_cast<guint>(std::max(1, (timeoutMs + 999) / 1000)));
  guint16 port = zv::StreamScheme(url) == "https" ? 443 : 80;
  GError* err = nullptr;
  GSocketConnection* connection = g_socket_client_connect_to_uri(client, url.c_str(), port, cancel, &err);
  HRESULT hr = ZV_E_NOT_HTTP;
  if (connection) {
    g_io_stream_close(G_IO_STREAM(connection), nullptr, nullptr);
    g_object_unref(connection);
  } else if (err && g_error_matches(err, G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED)) {
    hr = ZV_E_CONNECTION_REFUSED;
  } else if (err && err->domain == G_RESOLVER_ERROR) {
    hr = ZV_E_HOST_NOT_FOUND;
  } else {
    hr = ZV_E_NO_ANSWER;
  }
  if (err)
    g_error_free(err);
  g_object_unref(client);
  return hr;
}

} // namespace eng
