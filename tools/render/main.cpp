// tarvine-render: an offline host for testing. It loads a VST3 bundle by
// path through its class factory, sets parameters in plain values, renders
// a sound file (or a built-in demo) through it, tail included, and writes
// the result as a WAV file, a block at a time: its memory does not grow
// with the length of the sound. Its status lines go to standard error, so
// that standard output can carry the file.

#include "bundlepath.h"
#include "demosignal.h"
#include "descriptorname.h"
#include "exitcodes.h"
#include "interruption.h"
#include "options.h"
#include "outputfile.h"
#include "plugininstance.h"
#include "pluginparameters.h"
#include "render.h"
#include "soundfilereader.h"
#include "wavwriter.h"

#include "public.sdk/source/vst/hosting/module.h"

#include <cstdio>
#include <memory>
#include <string>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace Tarvine;
using namespace Tarvine::Render;

namespace {

// The way out of a render that a signal stopped: its file is not finished.
int stopped ()
{
	return exitCodeForSignal (interruptingSignal ());
}

int exitCodeFor (OutputFile::Refusal refusal)
{
	return refusal == OutputFile::Refusal::kUnusable ? kExitUsage : kExitFile;
}

// A failure that a signal brought about (a read or an open it interrupted, a
// write past `ulimit -f`) is the signal's stop, and needs no word.
int fail (int exitCode, const std::string& message)
{
	if (interruptingSignal () != 0)
		return stopped ();
	std::fprintf (stderr, "tarvine-render: %s\n", message.c_str ());
	return exitCode;
}

void sayIfCutShort (const StereoSource& input, const std::string& name)
{
	if (const auto shortfall = input.shortfall ())
		std::fprintf (stderr, "tarvine-render: %s is cut short: its header declares %llu frames, %llu were read\n",
		              name.c_str (), static_cast<unsigned long long> (shortfall->declaredFrames),
		              static_cast<unsigned long long> (shortfall->framesRead));
}

int run (int argc, char* argv[])
{
	Options options;
	options.plugin = TARVINE_DEFAULT_BUNDLE;
	std::string error;
	if (!parseOptions (argc, argv, options, error))
	{
		std::fprintf (stderr, "tarvine-render: %s\n\n%s", error.c_str (), usageText ());
		return kExitUsage;
	}
	if (options.showHelp)
	{
		std::fputs (usageText (), stdout);
		return kExitOk;
	}

	auto module = VST3::Hosting::Module::create (bundlePathForLoading (options.plugin), error);
	if (!module)
		return fail (kExitPlugin, "cannot load " + options.plugin + ": " + error);
	auto instance = Hosting::PluginInstance::create (module, error);
	if (!instance)
		return fail (kExitPlugin, options.plugin + ": " + error);
	if (options.listParameters)
	{
		printParameters (*instance, stdout);
		return kExitOk;
	}

	std::vector<std::pair<ParamID, ParamValue>> changes;
	if (!applySettings (*instance, options.settings, changes, error))
		return fail (kExitUsage, error);

	const std::string cannotWrite = "cannot write " + options.output + ": ";
	// Before the input takes the lowest free descriptor, which such a name
	// would then lead to.
	if (namesAClosedDescriptor (options.output, error))
		return fail (kExitUsage, cannotWrite + error);

	std::unique_ptr<StereoSource> input;
	if (options.input.empty ())
		input = std::make_unique<DemoSignal> (options.sampleRate);
	else if (!(input = SoundFileReader::open (options.input, error)))
		return fail (kExitFile, "cannot read " + options.input + ": " + error);

	// The output is written while the input is still being read: it is
	// never the file the input is.
	OutputFile::Refusal refusal {};
	const auto outputFile = OutputFile::prepare (options.output, input->fileIdentity (), refusal, error);
	if (!outputFile)
		return fail (exitCodeFor (refusal), cannotWrite + error);
	// Declared after the file it writes, so that it closes the file before
	// an unfinished one is taken away.
	const auto output = WavWriter::create (outputFile->descriptor (), input->sampleRate (),
	                                       renderLengthBound (input->lengthBound (), input->sampleRate ()), error);
	if (!output)
		return fail (kExitFile, cannotWrite + error);
	if (outputFile->flushedWhenComplete ())
		output->writeToDiskAsItGoes ();

	RenderResult result;
	const auto outcome = options.doublePrecision
	                         ? render<double> (*instance, *input, *output, options.blockSize, changes, result, error)
	                         : render<float> (*instance, *input, *output, options.blockSize, changes, result, error);
	switch (outcome)
	{
		case RenderOutcome::kRendered:
			break;
		case RenderOutcome::kProcessorFailed:
			return fail (kExitRender, error);
		case RenderOutcome::kReadFailed:
			return fail (kExitFile, "cannot read " + options.input + ": " + error);
		case RenderOutcome::kWriteFailed:
			return fail (kExitFile, cannotWrite + error);
		case RenderOutcome::kInterrupted:
			return stopped ();
	}
	if (!output->finish (error))
		return fail (kExitFile, cannotWrite + error);
	// The last moment a signal can still keep the file from its place.
	if (interruptingSignal () != 0)
		return stopped ();
	// Waiting for another render to finish with the file is the one part
	// a signal can still stop.
	if (!outputFile->commit (refusal, error))
	{
		if (refusal == OutputFile::Refusal::kInterrupted)
			return stopped ();
		return fail (exitCodeFor (refusal), cannotWrite + error);
	}

	sayIfCutShort (*input, options.input);
	std::fprintf (stderr, "tail: %u samples%s\n", result.tailSamples,
	              result.tailCapped ? " (capped at a minute)" : "");
	std::fprintf (stderr, "wrote %s: %zu frames, 2 channels, %.0f Hz\n", options.output.c_str (), result.frames,
	              input->sampleRate ());
	return kExitOk;
}

} // namespace

int main (int argc, char* argv[])
{
	catchInterruptions ();
	const int exitCode = run (argc, argv);
	// Every file of the render's is closed by now, and an unfinished one gone.
	endByInterruptingSignal ();
	return exitCode;
}
