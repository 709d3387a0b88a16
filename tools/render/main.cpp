// tarvine-render: an offline host for testing. It loads a VST3 bundle by
// path through its class factory, sets parameters in plain values, renders
// a sound file (or a built-in demo) through it, tail included, and writes
// the result as a WAV file, a block at a time: its memory does not grow
// with the length of the sound. Its status lines go to standard error, so
// that standard output can carry the file.

#include "bundlepath.h"
#include "demosignal.h"
#include "options.h"
#include "plugininstance.h"
#include "pluginparameters.h"
#include "render.h"
#include "soundfilereader.h"
#include "wavwriter.h"

#include "public.sdk/source/vst/hosting/module.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace Tarvine;

namespace {

enum ExitCode
{
	kExitOk = 0,
	kExitUsage = 1,
	kExitPlugin = 2,
	kExitRender = 3,
	kExitFile = 4
};

} // namespace

int main (int argc, char* argv[])
{
	Render::Options options;
	options.plugin = TARVINE_DEFAULT_BUNDLE;
	std::string error;
	if (!Render::parseOptions (argc, argv, options, error))
	{
		std::fprintf (stderr, "tarvine-render: %s\n\n%s", error.c_str (), Render::usageText ());
		return kExitUsage;
	}
	if (options.showHelp)
	{
		std::fputs (Render::usageText (), stdout);
		return kExitOk;
	}

	auto module = VST3::Hosting::Module::create (Render::bundlePathForLoading (options.plugin), error);
	if (!module)
	{
		std::fprintf (stderr, "tarvine-render: cannot load %s: %s\n", options.plugin.c_str (), error.c_str ());
		return kExitPlugin;
	}
	auto instance = Hosting::PluginInstance::create (module, error);
	if (!instance)
	{
		std::fprintf (stderr, "tarvine-render: %s: %s\n", options.plugin.c_str (), error.c_str ());
		return kExitPlugin;
	}
	if (options.listParameters)
	{
		Render::printParameters (*instance, stdout);
		return kExitOk;
	}

	std::vector<std::pair<ParamID, ParamValue>> changes;
	if (!Render::applySettings (*instance, options.settings, changes, error))
	{
		std::fprintf (stderr, "tarvine-render: %s\n", error.c_str ());
		return kExitUsage;
	}

	// The output is written while the input is still being read.
	std::error_code sameFileError;
	if (!options.input.empty () && std::filesystem::equivalent (options.input, options.output, sameFileError))
	{
		std::fprintf (stderr, "tarvine-render: --out names the --in file, which the render reads as it writes\n");
		return kExitUsage;
	}

	std::unique_ptr<Render::StereoSource> input;
	if (options.input.empty ())
		input = std::make_unique<Render::DemoSignal> (options.sampleRate);
	else if (!(input = Render::SoundFileReader::open (options.input, error)))
	{
		std::fprintf (stderr, "tarvine-render: cannot read %s: %s\n", options.input.c_str (), error.c_str ());
		return kExitFile;
	}
	auto output = Render::WavWriter::create (options.output, input->sampleRate (), error);
	if (!output)
	{
		std::fprintf (stderr, "tarvine-render: cannot write %s: %s\n", options.output.c_str (), error.c_str ());
		return kExitFile;
	}

	Render::RenderResult result;
	const auto outcome =
	    options.doublePrecision
	        ? Render::render<double> (*instance, *input, *output, options.blockSize, changes, result, error)
	        : Render::render<float> (*instance, *input, *output, options.blockSize, changes, result, error);
	switch (outcome)
	{
		case Render::RenderOutcome::kRendered:
			break;
		case Render::RenderOutcome::kProcessorFailed:
			std::fprintf (stderr, "tarvine-render: %s\n", error.c_str ());
			return kExitRender;
		case Render::RenderOutcome::kReadFailed:
			std::fprintf (stderr, "tarvine-render: cannot read %s: %s\n", options.input.c_str (), error.c_str ());
			return kExitFile;
		case Render::RenderOutcome::kWriteFailed:
			std::fprintf (stderr, "tarvine-render: cannot write %s: %s\n", options.output.c_str (), error.c_str ());
			return kExitFile;
	}
	if (!output->finish (error))
	{
		std::fprintf (stderr, "tarvine-render: cannot write %s: %s\n", options.output.c_str (), error.c_str ());
		return kExitFile;
	}

	std::fprintf (stderr, "tail: %u samples%s\n", result.tailSamples,
	              result.tailCapped ? " (capped at a minute)" : "");
	std::fprintf (stderr, "wrote %s: %zu frames, 2 channels, %.0f Hz\n", options.output.c_str (), result.frames,
	              input->sampleRate ());
	return kExitOk;
}
