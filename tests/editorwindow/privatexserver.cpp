#include "editorwindow/privatexserver.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Tarvine {
namespace EditorWindow {

namespace {

// Reads the display number that Xvfb writes, once it accepts clients, to
// the descriptor given with -displayfd: digits and a newline.
std::string readDisplayNumber (int fd, int timeoutMs)
{
	std::string digits;
	for (;;)
	{
		pollfd readable {fd, POLLIN, 0};
		if (poll (&readable, 1, timeoutMs) <= 0)
			return {};
		char c = 0;
		const ssize_t n = read (fd, &c, 1);
		if (n <= 0)
			return {}; // the server ended before it said so
		if (c == '\n')
			return digits;
		if (c < '0' || c > '9')
			return {};
		digits += c;
	}
}

} // namespace

PrivateXServer::PrivateXServer (const std::string& logPath)
{
	int displayPipe[2];
	if (pipe2 (displayPipe, O_CLOEXEC) != 0)
	{
		error = std::string ("pipe: ") + std::strerror (errno);
		return;
	}
	// The pipe's write end becomes the server's descriptor 3 (the copy is
	// not closed on exec, the original is); its output goes to the log.
	posix_spawn_file_actions_t actions;
	posix_spawn_file_actions_init (&actions);
	posix_spawn_file_actions_adddup2 (&actions, displayPipe[1], 3);
	posix_spawn_file_actions_addopen (&actions, STDOUT_FILENO, logPath.c_str (), O_WRONLY | O_CREAT | O_TRUNC, 0644);
	posix_spawn_file_actions_adddup2 (&actions, STDOUT_FILENO, STDERR_FILENO);
	char* const argv[] = {const_cast<char*> ("Xvfb"),   const_cast<char*> ("-displayfd"),
	                      const_cast<char*> ("3"),      const_cast<char*> ("-screen"),
	                      const_cast<char*> ("0"),      const_cast<char*> ("2560x1440x24"),
	                      const_cast<char*> ("-nolisten"), const_cast<char*> ("tcp"),
	                      nullptr};
	const int spawned = posix_spawnp (&server, "Xvfb", &actions, nullptr, argv, environ);
	posix_spawn_file_actions_destroy (&actions);
	close (displayPipe[1]);
	if (spawned != 0)
	{
		server = -1;
		error = "cannot start Xvfb with its output to " + logPath + ": " + std::strerror (spawned);
		close (displayPipe[0]);
		return;
	}
	const std::string number = readDisplayNumber (displayPipe[0], 20000);
	close (displayPipe[0]);
	if (number.empty ())
	{
		error = "Xvfb did not say which display it serves";
		return;
	}
	name = ":" + number;
	if (const char* display = std::getenv ("DISPLAY"))
	{
		hadDisplay = true;
		previousDisplay = display;
	}
	setenv ("DISPLAY", name.c_str (), 1);
}

PrivateXServer::~PrivateXServer ()
{
	if (!name.empty ())
	{
		if (hadDisplay)
			setenv ("DISPLAY", previousDisplay.c_str (), 1);
		else
			unsetenv ("DISPLAY");
	}
	if (server > 0)
	{
		kill (server, SIGTERM);
		int status = 0;
		waitpid (server, &status, 0);
	}
}

} // namespace EditorWindow
} // namespace Tarvine
