#include "editorwindow/heapinuse.h"

#include <malloc.h>

namespace Tarvine {
namespace EditorWindow {

size_t heapInUse ()
{
	const struct mallinfo2 info = mallinfo2 ();
	return info.uordblks + info.hblkhd;
}

} // namespace EditorWindow
} // namespace Tarvine
