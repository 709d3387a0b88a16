#include "options.h"

#include <cstdlib>

namespace Tarvine::Render {

namespace {

bool parseNumber (const std::string& text, double& value)
{
	char* end = nullptr;
	value = std::strtod (text.c_str (), &end);
	return !text.empty () && end && *end == 0;
}

} // namespace

const char* usageText ()
{
	return "usage: tarvine-render [options] --out FILE.wav [NAME=VALUE ...]\n"
	       "\n"
	       "Renders a sound file through a VST3 plug-in bundle, tail included.\n"
	       "\n"
	       "  --plugin PATH  the .vst3 bundle (default: the one this build made)\n"
	       "  --in FILE      input sound file, mono or stereo (default: a built-in\n"
	       "                 demo of clicks and a noise burst)\n"
	       "  --out FILE     the stereo WAV file to write\n"
	       "  --rate HZ      sample rate of the demo signal (default 44100)\n"
	       "  --block N      samples per process call (default 512)\n"
	       "  --double       process 64-bit samples\n"
	       "  --list         list the plug-in's parameters and stop\n"
	       "  --help         show this text\n"
	       "  NAME=VALUE     set a parameter, by id or title, to a plain value in\n"
	       "                 its own units, e.g. \"Rvb Time=1.0\" or 2=30\n";
}

bool parseOptions (int argc, char* argv[], Options& options, std::string& error)
{
	for (int i = 1; i < argc; ++i)
	{
		const std::string arg = argv[i];
		const auto value = [&] () -> const char* {
			if (i + 1 >= argc)
			{
				error = arg + " needs a value";
				return nullptr;
			}
			return argv[++i];
		};

		if (arg == "--plugin" || arg == "--in" || arg == "--out")
		{
			const char* v = value ();
			if (!v)
				return false;
			(arg == "--plugin" ? options.plugin : arg == "--in" ? options.input : options.output) = v;
		}
		else if (arg == "--rate" || arg == "--block")
		{
			const char* v = value ();
			double number = 0.0;
			if (!v || !parseNumber (v, number))
			{
				if (error.empty ())
					error = arg + " needs a number";
				return false;
			}
			if (arg == "--rate")
			{
				if (!(number >= 1000.0 && number <= 1536000.0))
				{
					error = "--rate must be between 1000 and 1536000 Hz";
					return false;
				}
				options.sampleRate = number;
			}
			else
			{
				if (!(number >= 1.0 && number <= 65536.0))
				{
					error = "--block must be between 1 and 65536";
					return false;
				}
				options.blockSize = static_cast<int> (number);
			}
		}
		else if (arg == "--double")
			options.doublePrecision = true;
		else if (arg == "--list")
			options.listParameters = true;
		else if (arg == "--help" || arg == "-h")
		{
			options.showHelp = true;
			return true;
		}
		else if (arg.size () > 1 && arg[0] == '-' && arg.find ('=') == std::string::npos)
		{
			error = "unknown option " + arg;
			return false;
		}
		else
		{
			const auto equals = arg.rfind ('=');
			double plain = 0.0;
			if (equals == std::string::npos || equals == 0 || !parseNumber (arg.substr (equals + 1), plain))
			{
				error = "not a NAME=VALUE setting: " + arg;
				return false;
			}
			options.settings.emplace_back (arg.substr (0, equals), plain);
		}
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
	return true;
}

} // namespace Tarvine::Render
