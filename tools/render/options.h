#pragma once

#include <string>
#include <utility>
#include <vector>

namespace Tarvine::Render {

// What the command line asks for.
struct Options
{
	std::string plugin;
	std::string input;  // empty: the built-in demo signal
	std::string output;
	double sampleRate = 44100.0; // of the demo signal, a whole number of hertz
	int blockSize = 512;
	bool doublePrecision = false;
	bool listParameters = false;
	bool showHelp = false;
	// parameter id or title, and the plain value to set, a finite number
	std::vector<std::pair<std::string, double>> settings;
};

// False with a reason in `error` for a command line that cannot be used.
bool parseOptions (int argc, char* argv[], Options& options, std::string& error);

const char* usageText ();

} // namespace Tarvine::Render
