#include "editorwindow/serverpixmaps.h"

#include <X11/Xlib-xcb.h>
#include <xcb/res.h>

#include <cstdlib>
#include <memory>

namespace Tarvine {
namespace EditorWindow {

namespace {

// xcb's replies are malloc'ed and the caller's to free.
struct FreeReply
{
	void operator() (void* reply) const { std::free (reply); }
};
template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, FreeReply>;

} // namespace

std::optional<uint64_t> serverPixmapBytes (Display* display)
{
	xcb_connection_t* connection = XGetXCBConnection (display);
	ReplyPtr<xcb_res_query_clients_reply_t> clients (
	    xcb_res_query_clients_reply (connection, xcb_res_query_clients (connection), nullptr));
	if (!clients)
		return std::nullopt;
	uint64_t total = 0;
	for (auto it = xcb_res_query_clients_clients_iterator (clients.get ()); it.rem; xcb_res_client_next (&it))
	{
		ReplyPtr<xcb_res_query_client_pixmap_bytes_reply_t> pixmaps (xcb_res_query_client_pixmap_bytes_reply (
		    connection, xcb_res_query_client_pixmap_bytes (connection, it.data->resource_base), nullptr));
		// A client that went away between the two questions holds nothing.
		if (pixmaps)
			total += (static_cast<uint64_t> (pixmaps->bytes_overflow) << 32) + pixmaps->bytes;
	}
	return total;
}

} // namespace EditorWindow
} // namespace Tarvine
