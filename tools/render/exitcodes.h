#pragma once

namespace Tarvine::Render {

// What the tool's exit status means; the README lists the same.
enum ExitCode
{
	kExitOk = 0,
	kExitUsage = 1,  // the command line cannot be used
	kExitPlugin = 2, // the bundle cannot be loaded or instantiated
	kExitRender = 3, // the processor refused the setup or a block
	kExitFile = 4    // a file cannot be read or written
};

// A render stopped by a signal ends by that signal again; should raising it
// not end the process, it exits as a shell reports one that the signal ended.
constexpr int exitCodeForSignal (int signal)
{
	return 128 + signal;
}

} // namespace Tarvine::Render
