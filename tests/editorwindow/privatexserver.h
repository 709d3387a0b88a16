#pragma once

#include <string>
#include <sys/types.h>

namespace Tarvine {
namespace EditorWindow {

// An Xvfb server of the test's own, on a display number the server picks
// itself, so parallel tests never share or race for a display. It runs from
// construction to destruction; DISPLAY names it meanwhile, because
// libraries that open their own connection (VSTGUI's X11 layer) read it, and
// so do the programs the test starts. Its screen holds two editors side by
// side at twice the size.
class PrivateXServer
{
public:
	// The server's output goes to the file logPath (made or emptied).
	explicit PrivateXServer (const std::string& logPath = "/dev/null");
	~PrivateXServer ();
	PrivateXServer (const PrivateXServer&) = delete;
	PrivateXServer& operator= (const PrivateXServer&) = delete;

	// ":N", or empty when the server did not come up.
	const std::string& displayName () const { return name; }
	// Why the server did not come up.
	const std::string& failure () const { return error; }

private:
	pid_t server {-1};
	std::string name;
	std::string error;
	std::string previousDisplay;
	bool hadDisplay {false};
};

} // namespace EditorWindow
} // namespace Tarvine
