#pragma once

#include "descriptor.h"

#include <optional>
#include <string>
#include <sys/types.h>

namespace Tarvine::Render {

// The calls on files that the output needs and that differ from system to
// system, each with a portable way where the faster or safer one is
// missing. Failures leave errno set.

// Takes a descriptor above standard input, output and error, which may
// have been closed when the tool started: what the tool writes to standard
// error must never land in a file it writes.
Descriptor clearOfStandardStreams (Descriptor descriptor);

// A folder opened only to create and link files in it: it need not be
// readable.
Descriptor openFolder (const std::string& path);

// A file without a name in `folder`, readable and writable by its creator
// alone: nothing can open it by name, and nothing is left when the process
// ends before it is given one. Empty where the system or the file system
// has no such files (`unsupported` then tells), or on failure.
Descriptor createUnnamedFile (int folder, bool& unsupported);

// Gives the file open as `file` the name `name` in `folder`, never
// replacing what the name holds (EEXIST then). False with `unsupported`
// where the system cannot name a file by its descriptor.
bool linkByDescriptor (int file, int folder, const std::string& name, bool& unsupported);

// Makes sure the file system holds room for the first `length` bytes of
// `file` without changing its size or its bytes. False on failure, with
// `unsupported` where the file system cannot reserve room ahead.
bool reserveSpace (int file, off_t length, bool& unsupported);

// The permissions a file created with mode 0666 in `folder` gets from the
// folder's default ACL, which then stands in for the umask; nothing where
// the folder has none, or where the system has no ACLs.
std::optional<mode_t> modeFromDefaultAcl (const std::string& folder);

// Has the system start writing `file`'s changed bytes to disk, without
// waiting for them, so that a flush once the file is complete waits for
// little more than its last part. Nothing where the system cannot.
void startWriteback (int file);

// Copies the first `length` bytes of `from` to the start of `to`.
bool copyContents (int from, int to, off_t length);

// "append-only" or "immutable" where the file at `path` carries such an
// attribute, which no permission overrides; empty otherwise or where the
// system does not tell.
std::string writeProtectionOf (const std::string& path);

} // namespace Tarvine::Render
