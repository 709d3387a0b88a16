#include "editorwindow/hostoptions.h"

#include <cstdio>
#include <cstdlib>

namespace Tarvine {
namespace EditorWindow {

const char* const usage =
    "BUNDLE --screenshot PNG [--cycles N] [--scale S] [--embedder xembed|shows-after-attaching|silent] "
    "[--click X,Y --watch X,Y,W,H] [--edit X,Y,ID]... [--drag X,Y,DY,ID]...";

namespace {

bool parseEmbedder (const std::string& name, Embedder& embedder)
{
	const struct
	{
		const char* name;
		Embedder embedder;
	} names[] = {{"xembed", Embedder::xembed},
	             {"shows-after-attaching", Embedder::showsAfterAttaching},
	             {"silent", Embedder::silent}};
	for (const auto& n : names)
	{
		if (name == n.name)
		{
			embedder = n.embedder;
			return true;
		}
	}
	return false;
}

} // namespace

bool parseOptions (int argc, char* argv[], Options& options)
{
	for (int i = 1; i < argc; ++i)
	{
		const std::string arg = argv[i];
		const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
		if (arg == "--screenshot" && next)
			options.screenshot = argv[++i];
		else if (arg == "--cycles" && next)
			options.cycles = std::atoi (argv[++i]);
		else if (arg == "--scale" && next)
			options.scale = std::atof (argv[++i]);
		else if (arg == "--embedder" && next && parseEmbedder (argv[++i], options.embedder))
			continue;
		else if (arg == "--click" && next && std::sscanf (argv[++i], "%d,%d", &options.clickX, &options.clickY) == 2)
			options.click = true;
		else if (arg == "--watch" && next &&
		         std::sscanf (argv[++i], "%d,%d,%d,%d", &options.watchX, &options.watchY, &options.watchW,
		                      &options.watchH) == 4)
			continue;
		else if (Gesture g {}; arg == "--edit" && next && std::sscanf (argv[++i], "%d,%d,%u", &g.x, &g.y, &g.id) == 3)
			options.gestures.push_back (g);
		else if (Gesture g {}; arg == "--drag" && next &&
		         std::sscanf (argv[++i], "%d,%d,%d,%u", &g.x, &g.y, &g.dy, &g.id) == 4)
		{
			g.drag = true;
			options.gestures.push_back (g);
		}
		else if (options.bundle.empty () && arg.rfind ("--", 0) != 0)
			options.bundle = arg;
		else
			return false;
	}
	return !options.bundle.empty () && !options.screenshot.empty () && options.cycles > 0 &&
	       options.scale >= 1.0 && options.scale <= 4.0;
}

} // namespace EditorWindow
} // namespace Tarvine
