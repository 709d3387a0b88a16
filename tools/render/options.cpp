#include "options.h"

#include <cmath>
#include <cstdlib>
#include <optional>

namespace Tarvine::Render {

namespace {

bool parseNumber (const std::string& text, double& value)
{
	char* end = nullptr;
	value = std::strtod (text.c_str (), &end);
	return !text.empty () && end && *end == 0;
}

// A whole number from `low` to `high`; `whole` says of what, and why.
bool parseWholeNumber (const std::string& option, const std::string& text, double low, double high,
                       const char* whole, double& value, std::string& error)
{
	if (!parseNumber (text, value))
		error = option + " needs a number";
	else if (!(value >= low && value <= high))
		error = option + " must be between " + std::to_string (static_cast<long> (low)) + " and " +
		        std::to_string (static_cast<long> (high));
	else if (value != std::floor (value))
		error = option + " must be a whole number " + whole + ": " + text;
	else
		return true;
	return false;
}

bool parseSetting (const std::string& arg, Options& options, std::string& error)
{
	const auto equals = arg.rfind ('=');
	double plain = 0.0;
	if (equals == std::string::npos || equals == 0 || !parseNumber (arg.substr (equals + 1), plain))
	{
		error = "not a NAME=VALUE setting: " + arg;
		return false;
	}
	const std::string name = arg.substr (0, equals);
	// strtod reads "nan" and "inf", which no parameter can take.
	if (!std::isfinite (plain))
	{
		error = "\"" + name + "\" needs a finite number, not " + arg.substr (equals + 1);
		return false;
	}
	options.settings.emplace_back (name, plain);
	return true;
}

} // namespace

const char* usageText ()
{
	return "usage: tarvine-render [options] --out FILE.wav [NAME=VALUE ...]\n"
	       "\n"
	       "Renders a sound file through a VST3 plug-in bundle, tail included, into a\n"
	       "32-bit float stereo WAV file (RF64 where it may pass 4 GiB). Status lines\n"
	       "go to standard error.\n"
	       "\n"
	       "  --plugin PATH  the .vst3 bundle (default: the one this build made)\n"
	       "  --in FILE      input sound file, any that libsndfile reads, at its own\n"
	       "                 sample rate: a mono file feeds both channels, one with\n"
	       "                 more channels gives its first two (default: a built-in\n"
	       "                 demo of clicks and a noise burst)\n"
	       "  --out FILE     the WAV file to write: not a pipe, a terminal or the --in\n"
	       "                 file. An existing file gets the render only once it is\n"
	       "                 finished, copied into it: it keeps its owner, mode, ACL,\n"
	       "                 attributes and hard links. A failed or stopped render\n"
	       "                 leaves it as it was.\n"
	       "  --rate HZ      sample rate of the demo signal, a whole number from 1000\n"
	       "                 to 1536000 (default 44100); not with --in\n"
	       "  --block N      samples per process call, 1 to 65536 (default 512)\n"
	       "  --double       process 64-bit samples\n"
	       "  --list         list the plug-in's parameters and stop\n"
	       "  --help         show this text\n"
	       "  NAME=VALUE     set a parameter, by id or title, to a plain value in\n"
	       "                 its own units, e.g. \"Rvb Time=1.0\" or 2=30\n"
	       "An option's value may also follow an equals sign: --out=FILE.wav.\n"
	       "\n"
	       "An input cut short of the length its header declares is rendered as far\n"
	       "as it goes, and said so on standard error.\n"
	       "\n"
	       "Exit status: 0 done, 1 bad command line, 2 the bundle cannot be loaded,\n"
	       "3 the processor refused the setup or a block, 4 a file cannot be read or\n"
	       "written. A signal that would end the tool (SIGINT, SIGTERM, SIGHUP,\n"
	       "SIGQUIT, SIGXFSZ, SIGPIPE sent with kill, ...) stops the render, also one\n"
	       "that waits for input, leaves no unfinished file, and ends the tool by that\n"
	       "same signal, which a shell shows as 128 + N (129 SIGHUP, 130 SIGINT,\n"
	       "143 SIGTERM). A status line that cannot be written changes nothing.\n";
}

bool parseOptions (int argc, char* argv[], Options& options, std::string& error)
{
	bool rateGiven = false;
	for (int i = 1; i < argc; ++i)
	{
		const std::string arg = argv[i];
		// "--name=value" as well as "--name value"; a setting's name never
		// starts with "--".
		std::string name = arg;
		std::optional<std::string> attachedValue;
		if (const auto equals = arg.find ('='); arg.rfind ("--", 0) == 0 && equals != std::string::npos)
		{
			name = arg.substr (0, equals);
			attachedValue = arg.substr (equals + 1);
		}
		const auto value = [&] () -> std::optional<std::string> {
			if (attachedValue)
				return attachedValue;
			if (i + 1 >= argc)
			{
				error = name + " needs a value";
				return std::nullopt;
			}
			return std::string (argv[++i]);
		};
		const bool isFlag = name == "--double" || name == "--list" || name == "--help" || name == "-h";

		if (name == "--plugin" || name == "--in" || name == "--out")
		{
			const auto v = value ();
			if (!v)
				return false;
			// Not the default that leaving the option out gives.
			if (v->empty ())
			{
				error = name + " needs a value, not an empty one";
				return false;
			}
			(name == "--plugin" ? options.plugin : name == "--in" ? options.input : options.output) = *v;
		}
		else if (name == "--rate")
		{
			const auto v = value ();
			if (!v || !parseWholeNumber (name, *v, 1000.0, 1536000.0,
			                             "of hertz, as a WAV file's header holds it",
			                             options.sampleRate, error))
				return false;
			rateGiven = true;
		}
		else if (name == "--block")
		{
			const auto v = value ();
			double number = 0.0;
			if (!v || !parseWholeNumber (name, *v, 1.0, 65536.0, "of samples", number, error))
				return false;
			options.blockSize = static_cast<int> (number);
		}
		else if (isFlag && attachedValue)
		{
			error = name + " takes no value";
			return false;
		}
		else if (name == "--double")
			options.doublePrecision = true;
		else if (name == "--list")
			options.listParameters = true;
		else if (name == "--help" || name == "-h")
		{
			options.showHelp = true;
			return true;
		}
		else if (attachedValue || (arg.size () > 1 && arg[0] == '-' && arg.find ('=') == std::string::npos))
		{
			error = "unknown option " + name;
			return false;
		}
		else if (!parseSetting (arg, options, error))
			return false;
	}

	if (options.plugin.empty ())
	{
		error = "no plug-in bundle given";
		return false;
	}
	if (options.output.empty () && !options.listParameters)
	{
		error = "no output file given (--out)";
		return false;
	}
	if (rateGiven && !options.input.empty ())
	{
		error = "--rate sets the rate of the demo signal; a file given with --in is rendered at its own rate";
		return false;
	}
	return true;
}

} // namespace Tarvine::Render
