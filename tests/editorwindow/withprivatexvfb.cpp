// Runs a command on an Xvfb server of its own, for the editor tests whose
// hosts are programs of their own: the same private server the test
// programs start in-process, kept for as long as the command runs.
//
// Usage: with_private_xvfb LOG COMMAND [ARGUMENT]...
//   LOG      the file the server's output goes to (its folder is made)
//   COMMAND  runs with DISPLAY naming the server; its exit status is this
//            program's (128 + N when signal N ended it). When the server does
//            not come up, this says why, shows its log and exits 1.

#include "editorwindow/privatexserver.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

extern char** environ;

namespace {

// Waits for the child and gives its exit status as a shell does.
int statusOf (pid_t child)
{
	int status = 0;
	while (waitpid (child, &status, 0) < 0)
	{
		if (errno != EINTR)
		{
			std::perror ("with_private_xvfb: waitpid");
			return 1;
		}
	}
	return WIFSIGNALED (status) ? 128 + WTERMSIG (status) : WEXITSTATUS (status);
}

} // namespace

int main (int argc, char* argv[])
{
	if (argc < 3)
	{
		std::fprintf (stderr, "usage: %s LOG COMMAND [ARGUMENT]...\n", argv[0]);
		return 2;
	}
	const std::filesystem::path log = argv[1];
	std::error_code ignored;
	std::filesystem::create_directories (log.parent_path (), ignored);

	Tarvine::EditorWindow::PrivateXServer server (log.string ());
	if (server.displayName ().empty ())
	{
		std::cerr << "with_private_xvfb: " << server.failure () << "\n";
		std::ifstream output (log);
		if (output && output.peek () != std::ifstream::traits_type::eof ())
			std::cerr << "Xvfb's log, " << log.string () << ":\n" << output.rdbuf () << std::flush;
		return 1;
	}
	pid_t child = -1;
	const int spawned = posix_spawnp (&child, argv[2], nullptr, nullptr, argv + 2, environ);
	if (spawned != 0)
	{
		std::fprintf (stderr, "with_private_xvfb: cannot run %s: %s\n", argv[2], std::strerror (spawned));
		return 127;
	}
	return statusOf (child);
}
