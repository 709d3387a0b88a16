#pragma once

#include <cstddef>

namespace Tarvine {
namespace EditorWindow {

// The bytes of heap this process holds, as malloc counts them: what it has
// handed out and not got back, in its arenas and in mapped blocks. Unlike
// the resident size it does not move with pages the allocator keeps or
// returns, so a steady growth of it is memory that somebody keeps. (glibc
// counts the blocks its per-thread caches keep for reuse as handed out; the
// leak test turns those caches off.)
size_t heapInUse ();

} // namespace EditorWindow
} // namespace Tarvine
