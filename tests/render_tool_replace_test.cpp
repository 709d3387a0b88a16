// What the render tool writes, and what it never writes, run as a process
// of its own: never its own input, whatever name leads there; an existing
// --out that stays the same file (owner, group, mode, ACL, attributes,
// every name) and holds the new render, or, when the render does not come
// to an end, stays byte for byte as it was; an unfinished render that
// nobody else can read or redirect and that leaves no name behind; names
// as long as the system takes; no terminal. Linux: the cases drop root's
// powers, switch users, set file attributes and mount in a namespace of
// their own.

#include "inputpipe.h"
#include "outputcase.h"
#include "rendertool.h"
#include "toolprocess.h"
#include "wavstream.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <initializer_list>
#include <linux/fs.h>
#include <map>
#include <memory>
#include <ostream>
#include <sched.h>
#include <set>
#include <string>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace Tarvine::Test;
namespace fs = std::filesystem;

constexpr uid_t kOwner = 1001;
constexpr uid_t kOtherUser = 1002;
constexpr gid_t kSharedGroup = 3000;

std::string readBytes (const fs::path& path)
{
	return readText (path.string ());
}

// Read through a descriptor's name, which libsndfile takes whatever the
// length of the file's own path.
bool holdsTheDemo (const fs::path& path)
{
	const int descriptor = open (path.c_str (), O_RDONLY);
	Sound rendered;
	const bool read = descriptor >= 0 && readSound ("/proc/self/fd/" + std::to_string (descriptor), rendered);
	if (descriptor >= 0)
		close (descriptor);
	return read && rendered.frames () == kDemoFrames;
}

// Everything that makes a file the user's file, besides its bytes.
struct FileState
{
	dev_t device = 0;
	ino_t inode = 0;
	uid_t owner = 0;
	gid_t group = 0;
	mode_t mode = 0;
	nlink_t links = 0;
	std::map<std::string, std::string> attributes; // every extended attribute, ACLs included

	bool operator== (const FileState& other) const
	{
		return device == other.device && inode == other.inode && owner == other.owner && group == other.group &&
		       mode == other.mode && links == other.links && attributes == other.attributes;
	}
};

void PrintTo (const FileState& state, std::ostream* out)
{
	*out << "inode " << state.inode << ", " << state.owner << ":" << state.group << ", mode " << std::oct
	     << state.mode << std::dec << ", " << state.links << " names, attributes";
	for (const auto& [name, value] : state.attributes)
		*out << " " << name << " (" << value.size () << " bytes)";
}

FileState stateOf (const fs::path& path)
{
	FileState state;
	struct stat status {};
	if (stat (path.c_str (), &status) != 0)
		return state;
	state = {status.st_dev, status.st_ino, status.st_uid, status.st_gid, status.st_mode, status.st_nlink, {}};
	std::vector<char> names (65536);
	const ssize_t length = listxattr (path.c_str (), names.data (), names.size ());
	for (ssize_t at = 0; at < length; at += static_cast<ssize_t> (std::strlen (names.data () + at)) + 1)
	{
		const char* name = names.data () + at;
		std::vector<char> value (65536);
		const ssize_t size = getxattr (path.c_str (), name, value.data (), value.size ());
		state.attributes[name] = std::string (value.data (), size > 0 ? static_cast<size_t> (size) : 0);
	}
	return state;
}

struct AclEntry
{
	uint16_t tag;
	uint16_t permissions;
	uint32_t id;
};
constexpr uint16_t kAclOwner = 0x01, kAclUser = 0x02, kAclOwningGroup = 0x04, kAclMask = 0x10, kAclOthers = 0x20;
constexpr uint32_t kNoId = ~0u;

// An ACL as its extended attribute holds it, as setfacl writes it: a
// version, then each entry's tag, permissions and id, little-endian, in
// the order of their tags.
std::string aclAttribute (std::initializer_list<AclEntry> entries)
{
	std::string acl;
	const auto add = [&acl] (uint32_t value, int bytes) {
		for (int byte = 0; byte < bytes; ++byte)
			acl += static_cast<char> ((value >> (8 * byte)) & 0xffu);
	};
	add (2, 4);
	for (const auto& entry : entries)
	{
		add (entry.tag, 2);
		add (entry.permissions, 2);
		add (entry.id, 4);
	}
	return acl;
}

// Files of other users, attributes only root may set, mounts.
bool isRoot ()
{
	return geteuid () == 0;
}

// The tool as user `user` with `group` as its only other group.
std::function<bool ()> asUser (uid_t user, gid_t group)
{
	return [user, group] {
		const gid_t groups[] = {group};
		return setgroups (1, groups) == 0 && setresgid (user, user, user) == 0 && setresuid (user, user, user) == 0;
	};
}

// A mount namespace of the calling process's own, so that what it mounts
// is seen by that process and those it starts and by nothing else.
bool ownMountNamespace ()
{
	return unshare (CLONE_NEWNS) == 0 && mount (nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// The same for this test and the tool it starts.
bool enterOwnMountNamespace (std::string& why)
{
	if (ownMountNamespace ())
		return true;
	why = std::string ("no mount namespace of its own here: ") + std::strerror (errno);
	return false;
}

class Mount
{
public:
	Mount (const char* source, const fs::path& at, const char* type, unsigned long flags, const char* options)
	: at (at), mounted (mount (source, at.c_str (), type, flags, options) == 0)
	{
	}
	~Mount ()
	{
		if (mounted)
			umount2 (at.c_str (), MNT_DETACH);
	}

	Mount (const Mount&) = delete;
	Mount& operator= (const Mount&) = delete;

	explicit operator bool () const { return mounted; }

private:
	fs::path at;
	bool mounted;
};

// --- The input is never written ------------------------------------------

struct ClosedDescriptor
{
	const char* name;
	const char* output; // "LINK" for a symbolic link to /dev/fd/3 in the case folder
	int closedFrom;     // descriptors from this one on are closed when the tool starts
	int closedTo;
};

void PrintTo (const ClosedDescriptor& c, std::ostream* out)
{
	*out << c.name;
}

class RenderToolClosedDescriptor : public ::testing::TestWithParam<ClosedDescriptor>
{
};

// The input, opened first, takes the lowest free descriptor: a name for
// that descriptor, read after, would lead to the input.
TEST_P (RenderToolClosedDescriptor, IsRefusedAndTheInputStaysAsItWas)
{
	const ClosedDescriptor c = GetParam ();
	const fs::path folder = caseFolder (std::string ("closed-") + c.name);
	const fs::path input = folder / "dry.wav";
	ASSERT_TRUE (writeSound (input.string (), makeNoise (2, kDemoRate, 4000)));
	const std::string inputBytes = readBytes (input);
	std::string output = c.output;
	if (output == "LINK")
	{
		fs::create_symlink ("/dev/fd/3", folder / "wet.wav");
		output = (folder / "wet.wav").string ();
	}
	const auto namesBefore = namesIn (folder);

	ToolSetup setup;
	setup.inChild = [c] {
		for (int descriptor = c.closedFrom; descriptor <= c.closedTo; ++descriptor)
			close (descriptor);
		return true;
	};
	const std::string log = std::string ("closed-") + c.name + ".log";
	ToolProcess tool ({"--in", input.string (), "--out", output}, log, setup);

	EXPECT_EQ (tool.finish (), 1);
	EXPECT_EQ (readBytes (input), inputBytes);
	EXPECT_EQ (namesIn (folder), namesBefore);
	// Where standard error is open, it says which descriptor.
	if (c.closedFrom > 2)
	{
		EXPECT_NE (readText (outputPath (log)).find ("descriptor 3 is not open"), std::string::npos)
		    << readText (outputPath (log));
	}
}

INSTANTIATE_TEST_SUITE_P (
    Names, RenderToolClosedDescriptor,
    ::testing::Values (ClosedDescriptor {"dev_stdout", "/dev/stdout", 1, 1},
                       ClosedDescriptor {"dev_stderr", "/dev/stderr", 2, 2},
                       ClosedDescriptor {"dev_fd_3", "/dev/fd/3", 3, 1023},
                       ClosedDescriptor {"proc_self_fd_3", "/proc/self/fd/3", 3, 1023},
                       ClosedDescriptor {"link_to_dev_fd_3", "LINK", 3, 1023}),
    CaseName ());

// --- An existing file stays the user's file -------------------------------

enum class Standing
{
	kOtherOwner,        // nobody:nogroup 0640, root renders
	kOtherUserInGroup,  // user 1001's 0664 file in group 3000's folder, user 1002 renders
	kAclAndAttribute,   // user:1001:rw in its ACL, and a user.* attribute
	kOtherName,         // a second hard link
	kStickyFolder,      // another user's 0666 file in a 1777 folder of a third
	kFolderTakesNoFile, // a 0666 file in a 0555 folder
	kBindMounted,       // another file mounted onto the name
	kNoRoomReserved     // on a file system that cannot reserve room ahead (ramfs)
};

struct KeptFile
{
	const char* name;
	Standing standing;
};

void PrintTo (const KeptFile& c, std::ostream* out)
{
	*out << c.name;
}

class RenderToolKeptFile : public ::testing::TestWithParam<KeptFile>
{
};

// Grants user 1001 read and write through the file's ACL, and gives the
// file an attribute of the user's own.
bool grantWriteToOwner (const fs::path& file)
{
	const std::string acl = aclAttribute (
	    {{kAclOwner, 6, kNoId}, {kAclUser, 6, kOwner}, {kAclOwningGroup, 4, kNoId}, {kAclMask, 6, kNoId},
	     {kAclOthers, 4, kNoId}});
	return setxattr (file.c_str (), "system.posix_acl_access", acl.data (), acl.size (), 0) == 0 &&
	       setxattr (file.c_str (), "user.origin", "take 3", 6, 0) == 0;
}

TEST_P (RenderToolKeptFile, HoldsTheNewRenderAndStaysTheSameFile)
{
	if (!isRoot ())
		GTEST_SKIP () << "needs root, to make files of other users and to mount";
	const KeptFile c = GetParam ();
	const fs::path folder = caseFolder (std::string ("kept-") + c.name);
	fs::path output = folder / "render.wav";
	fs::path outputFolder = folder;
	ToolSetup setup;
	std::string why;
	std::unique_ptr<Mount> bound;
	writeText (output, kEarlierContent);
	switch (c.standing)
	{
		case Standing::kOtherOwner:
			ASSERT_EQ (chown (output.c_str (), 65534, 65534), 0);
			fs::permissions (output, fs::perms (0640));
			break;
		case Standing::kOtherUserInGroup:
			outputFolder = folder / "shared";
			output = outputFolder / "render.wav";
			fs::create_directory (outputFolder);
			ASSERT_EQ (chown (outputFolder.c_str (), 0, kSharedGroup), 0);
			ASSERT_EQ (chmod (outputFolder.c_str (), 02775), 0);
			writeText (output, kEarlierContent);
			ASSERT_EQ (chown (output.c_str (), kOwner, kSharedGroup), 0);
			fs::permissions (output, fs::perms (0664));
			setup.inChild = asUser (kOtherUser, kSharedGroup);
			break;
		case Standing::kAclAndAttribute:
			if (!grantWriteToOwner (output))
				GTEST_SKIP () << "this file system takes no ACL or user attribute: " << std::strerror (errno);
			break;
		case Standing::kOtherName:
			fs::create_hard_link (output, folder / "other-name.wav");
			break;
		case Standing::kStickyFolder:
			outputFolder = folder / "sticky";
			output = outputFolder / "render.wav";
			fs::create_directory (outputFolder);
			ASSERT_EQ (chown (outputFolder.c_str (), kOtherUser, kOtherUser), 0);
			ASSERT_EQ (chmod (outputFolder.c_str (), 01777), 0);
			writeText (output, kEarlierContent);
			ASSERT_EQ (chown (output.c_str (), kOwner, kOwner), 0);
			fs::permissions (output, fs::perms (0666));
			setup.inChild = withoutRoot;
			break;
		case Standing::kFolderTakesNoFile:
			outputFolder = folder / "locked";
			output = outputFolder / "render.wav";
			fs::create_directory (outputFolder);
			writeText (output, kEarlierContent);
			fs::permissions (output, fs::perms (0666));
			fs::permissions (outputFolder, fs::perms (0555));
			setup.inChild = withoutRoot;
			break;
		case Standing::kBindMounted:
			writeText (folder / "mounted.wav", kEarlierContent);
			if (!enterOwnMountNamespace (why))
				GTEST_SKIP () << why;
			bound = std::make_unique<Mount> ((folder / "mounted.wav").c_str (), output, nullptr, MS_BIND, nullptr);
			ASSERT_TRUE (*bound) << std::strerror (errno);
			break;
		case Standing::kNoRoomReserved:
			outputFolder = folder / "ramfs";
			output = outputFolder / "render.wav";
			fs::create_directory (outputFolder);
			if (!enterOwnMountNamespace (why))
				GTEST_SKIP () << why;
			bound = std::make_unique<Mount> ("ramfs", outputFolder, "ramfs", 0, nullptr);
			ASSERT_TRUE (*bound) << std::strerror (errno);
			writeText (output, kEarlierContent);
			break;
	}
	const FileState before = stateOf (output);
	const auto namesBefore = namesIn (outputFolder);

	const std::string log = std::string ("kept-") + c.name + ".log";
	ToolProcess tool (demoArguments (output), log, setup);
	const int exitCode = tool.finish ();
	if (c.standing == Standing::kFolderTakesNoFile)
		fs::permissions (outputFolder, fs::perms (0755));
	if (exitCode == kSetupFailed && c.standing == Standing::kOtherUserInGroup)
		GTEST_SKIP () << "user " << kOtherUser << " cannot run the tool here (is the build in a folder only root "
		              << "may enter?)";
	ASSERT_EQ (exitCode, 0) << readText (outputPath (log));

	EXPECT_TRUE (holdsTheDemo (output));
	EXPECT_EQ (stateOf (output), before);
	EXPECT_EQ (namesIn (outputFolder), namesBefore);
	if (c.standing == Standing::kOtherName)
	{
		EXPECT_EQ (readBytes (folder / "other-name.wav"), readBytes (output));
	}
	if (c.standing == Standing::kBindMounted)
	{
		EXPECT_TRUE (holdsTheDemo (folder / "mounted.wav"));
	}
}

INSTANTIATE_TEST_SUITE_P (
    Files, RenderToolKeptFile,
    ::testing::Values (KeptFile {"other_owner", Standing::kOtherOwner},
                       KeptFile {"other_user_in_group", Standing::kOtherUserInGroup},
                       KeptFile {"acl_and_attribute", Standing::kAclAndAttribute},
                       KeptFile {"other_name", Standing::kOtherName},
                       KeptFile {"sticky_folder", Standing::kStickyFolder},
                       KeptFile {"folder_takes_no_file", Standing::kFolderTakesNoFile},
                       KeptFile {"bind_mounted", Standing::kBindMounted},
                       KeptFile {"no_room_reserved", Standing::kNoRoomReserved}),
    CaseName ());

// Room for the new contents is reserved before a byte of the file changes:
// on a disk with room for the unfinished render but not for the file's
// new contents as well, the file stays as it was.
TEST (RenderToolKeptFileOnAFullDisk, IsRefusedAndStaysAsItWas)
{
	if (!isRoot ())
		GTEST_SKIP () << "needs root, to mount";
	const fs::path folder = caseFolder ("kept-full-disk");
	const fs::path disk = folder / "disk";
	fs::create_directory (disk);
	std::string why;
	if (!enterOwnMountNamespace (why))
		GTEST_SKIP () << why;
	// The demo's render takes 310 kB; the earlier file a page.
	const Mount small ("tmpfs", disk, "tmpfs", 0, "size=400k");
	ASSERT_TRUE (small) << std::strerror (errno);
	const fs::path output = disk / "render.wav";
	writeText (output, kEarlierContent);
	const FileState before = stateOf (output);

	ToolProcess tool (demoArguments (output), "kept-full-disk.log");
	EXPECT_EQ (tool.finish (), 4);
	EXPECT_NE (readText (outputPath ("kept-full-disk.log")).find ("No space left on device"), std::string::npos)
	    << readText (outputPath ("kept-full-disk.log"));
	EXPECT_EQ (readBytes (output), kEarlierContent);
	EXPECT_EQ (stateOf (output), before);
	EXPECT_EQ (namesIn (disk), std::set<std::string> {"render.wav"});
}

// A new file in a folder with a default ACL gets what that ACL grants, as
// any file made there does, although the render is made readable by its
// user alone at first.
TEST (RenderToolNewFileUnderADefaultAcl, GetsWhatAnyNewFileThereGets)
{
	const fs::path folder = caseFolder ("default-acl");
	const std::string acl = aclAttribute (
	    {{kAclOwner, 7, kNoId}, {kAclUser, 7, kOwner}, {kAclOwningGroup, 5, kNoId}, {kAclMask, 7, kNoId},
	     {kAclOthers, 5, kNoId}});
	if (setxattr (folder.c_str (), "system.posix_acl_default", acl.data (), acl.size (), 0) != 0)
		GTEST_SKIP () << "this file system takes no ACL: " << std::strerror (errno);
	// Made as a program makes a file, under the umask the tool gets.
	const mode_t umaskBefore = umask (077);
	const int reference = open ((folder / "reference.wav").c_str (), O_CREAT | O_EXCL | O_WRONLY, 0666);
	umask (umaskBefore);
	ASSERT_GE (reference, 0);
	close (reference);

	ToolSetup setup;
	setup.inChild = [] {
		umask (077);
		return true;
	};
	ToolProcess tool (demoArguments (folder / "render.wav"), "default-acl.log", setup);
	ASSERT_EQ (tool.finish (), 0) << readText (outputPath ("default-acl.log"));
	const FileState made = stateOf (folder / "reference.wav");
	const FileState rendered = stateOf (folder / "render.wav");
	EXPECT_EQ (rendered.mode, made.mode);
	EXPECT_EQ (rendered.attributes, made.attributes);
}

// --- A file that cannot be written as a whole ----------------------------

struct Protected
{
	const char* name;
	int attribute; // of FS_IOC_SETFLAGS
	const char* reason;
};

void PrintTo (const Protected& c, std::ostream* out)
{
	*out << c.name;
}

class RenderToolProtectedFile : public ::testing::TestWithParam<Protected>
{
};

// Sets an attribute of the file system on a file for as long as it lives.
class FileAttribute
{
public:
	FileAttribute (const fs::path& file, int attribute) : file (file)
	{
		const int descriptor = open (file.c_str (), O_RDONLY);
		int flags = 0;
		set = descriptor >= 0 && ioctl (descriptor, FS_IOC_GETFLAGS, &before) == 0 &&
		      (flags = before | attribute, ioctl (descriptor, FS_IOC_SETFLAGS, &flags) == 0);
		if (!set)
			why = std::strerror (errno);
		if (descriptor >= 0)
			close (descriptor);
	}
	~FileAttribute ()
	{
		const int descriptor = open (file.c_str (), O_RDONLY);
		if (set && descriptor >= 0)
			ioctl (descriptor, FS_IOC_SETFLAGS, &before);
		if (descriptor >= 0)
			close (descriptor);
	}

	FileAttribute (const FileAttribute&) = delete;
	FileAttribute& operator= (const FileAttribute&) = delete;

	bool set = false;
	std::string why;

private:
	fs::path file;
	int before = 0;
};

// The input is a stream the test holds: a tool that refuses at once ends
// while it is still held, one that renders first waits for its end.
TEST_P (RenderToolProtectedFile, IsRefusedBeforeAnythingIsRenderedAndSaysWhy)
{
	if (!isRoot ())
		GTEST_SKIP () << "needs root, to make a file append-only or immutable";
	const Protected c = GetParam ();
	const fs::path folder = caseFolder (std::string ("protected-") + c.name);
	const fs::path output = folder / "render.wav";
	const fs::path input = folder / "input.pipe";
	writeText (output, kEarlierContent);
	ASSERT_EQ (mkfifo (input.c_str (), 0644), 0);
	const FileAttribute attribute (output, c.attribute);
	if (!attribute.set)
		GTEST_SKIP () << "the attribute cannot be set on this file system (" << attribute.why << ")";
	const auto namesBefore = namesIn (folder);

	const std::string log = std::string ("protected-") + c.name + ".log";
	ToolProcess tool (streamArguments (input, output), log);
	StreamFeeder feeder (input, tool);
	ASSERT_TRUE (feeder.opened ());
	ASSERT_TRUE (feeder.write (streamHeader ()));
	waitUntil ([&] { return !tool.running (); }, std::chrono::seconds (20));
	EXPECT_FALSE (tool.running ()) << "the tool waits for the input before it refuses";
	feeder.end ();

	EXPECT_EQ (tool.finish (), 4);
	EXPECT_NE (readText (outputPath (log)).find (c.reason), std::string::npos) << readText (outputPath (log));
	EXPECT_EQ (readBytes (output), kEarlierContent);
	EXPECT_EQ (namesIn (folder), namesBefore);
}

INSTANTIATE_TEST_SUITE_P (
    Attributes, RenderToolProtectedFile,
    ::testing::Values (Protected {"append_only", FS_APPEND_FL, "it is append-only"},
                       Protected {"immutable", FS_IMMUTABLE_FL, "it is immutable"}),
    CaseName ());

// --- Renders into one --out at once ---------------------------------------

struct AtOnce
{
	const char* name;
	bool existing; // a file with a second name stands there; else nothing
};

void PrintTo (const AtOnce& c, std::ostream* out)
{
	*out << c.name;
}

class RenderToolRendersAtOnce : public ::testing::TestWithParam<AtOnce>
{
};

TEST_P (RenderToolRendersAtOnce, LeaveOneWholeRender)
{
	constexpr int kRenders = 6;
	const AtOnce c = GetParam ();
	const fs::path folder = caseFolder (std::string ("at-once-") + c.name);
	const fs::path alone = caseFolder (std::string ("at-once-") + c.name + "-alone");
	const fs::path output = folder / "render.wav";
	std::set<std::string> namesAfter = {"render.wav"};
	if (c.existing)
	{
		writeText (output, kEarlierContent);
		fs::create_hard_link (output, folder / "other-name.wav");
		namesAfter.insert ("other-name.wav");
	}
	const auto settingOf = [] (int render) { return "Mix=" + std::to_string (10 * (render + 1)); };

	// Each render alone first, for what each must leave.
	std::set<uint64_t> wholeRenders;
	for (int render = 0; render < kRenders; ++render)
	{
		const fs::path file = alone / ("render-" + std::to_string (render) + ".wav");
		auto arguments = demoArguments (file);
		arguments.push_back (settingOf (render));
		ToolProcess tool (arguments, std::string ("at-once-") + c.name + "-alone.log");
		ASSERT_EQ (tool.finish (), 0);
		Sound rendered;
		ASSERT_TRUE (readSound (file.string (), rendered));
		wholeRenders.insert (fingerprint (rendered.samples));
	}
	ASSERT_EQ (wholeRenders.size (), static_cast<size_t> (kRenders));

	std::vector<std::unique_ptr<ToolProcess>> tools;
	for (int render = 0; render < kRenders; ++render)
	{
		auto arguments = demoArguments (output);
		arguments.push_back (settingOf (render));
		tools.push_back (std::make_unique<ToolProcess> (
		    arguments, std::string ("at-once-") + c.name + "-" + std::to_string (render) + ".log"));
	}
	for (auto& tool : tools)
		EXPECT_EQ (tool->finish (), 0);

	Sound rendered;
	ASSERT_TRUE (readSound (output.string (), rendered));
	EXPECT_EQ (rendered.frames (), kDemoFrames);
	EXPECT_EQ (wholeRenders.count (fingerprint (rendered.samples)), 1u);
	EXPECT_EQ (namesIn (folder), namesAfter);
	if (c.existing)
	{
		EXPECT_EQ (stateOf (folder / "other-name.wav").inode, stateOf (output).inode);
	}
}

INSTANTIATE_TEST_SUITE_P (Outputs, RenderToolRendersAtOnce,
                          ::testing::Values (AtOnce {"new_name", false}, AtOnce {"file_with_two_names", true}),
                          CaseName ());

// --- The unfinished render ------------------------------------------------

struct Unfinished
{
	const char* name;
	bool existing; // a 0600 file stands at --out; else nothing
};

void PrintTo (const Unfinished& c, std::ostream* out)
{
	*out << c.name;
}

class RenderToolUnfinished : public ::testing::TestWithParam<Unfinished>
{
protected:
	// A folder with --out's name in it, as the case has it, and the
	// stream the tool reads.
	void arrange (const std::string& prefix)
	{
		const Unfinished c = GetParam ();
		folder = caseFolder (prefix + c.name);
		output = folder / "render.wav";
		input = caseFolder (prefix + c.name + "-input") / "input.pipe";
		ASSERT_EQ (mkfifo (input.c_str (), 0644), 0);
		if (c.existing)
		{
			writeText (output, kEarlierContent);
			fs::permissions (output, fs::perms (0600));
			before = stateOf (output);
		}
		namesBefore = namesIn (folder);
	}

	fs::path folder, output, input;
	FileState before;
	std::set<std::string> namesBefore;
};

TEST_P (RenderToolUnfinished, IsReadableByItsUserAloneAndHasNoName)
{
	ASSERT_NO_FATAL_FAILURE (arrange ("private-"));
	ToolSetup setup;
	setup.inChild = [] {
		umask (022);
		return true;
	};
	const std::string log = std::string ("private-") + GetParam ().name + ".log";
	ToolProcess tool (streamArguments (input, output), log, setup);
	StreamFeeder feeder (input, tool);
	ASSERT_TRUE (holdRenderUnderWay (feeder, tool));

	size_t unfinished = 0;
	for (const auto& file : filesToolWrites (tool))
	{
		struct stat status {};
		if (stat (file.c_str (), &status) != 0 || status.st_size <= static_cast<off_t> (kPastFirstWrites))
			continue;
		++unfinished;
		EXPECT_EQ (status.st_mode & 07777, 0600u) << "what the tool writes can be read by others";
	}
	EXPECT_EQ (unfinished, 1u);
	EXPECT_EQ (namesIn (folder), namesBefore);

	feeder.end ();
	ASSERT_EQ (tool.finish (), 0) << readText (outputPath (log));
	struct stat status {};
	ASSERT_EQ (stat (output.c_str (), &status), 0);
	// A new file as any other that the user makes; an existing one as it was.
	EXPECT_EQ (status.st_mode & 07777, GetParam ().existing ? 0600u : 0644u);
	if (GetParam ().existing)
	{
		EXPECT_EQ (stateOf (output), before);
	}
}

TEST_P (RenderToolUnfinished, LeavesNothingWhenKilled)
{
	ASSERT_NO_FATAL_FAILURE (arrange ("killed-"));
	ToolProcess tool (streamArguments (input, output), std::string ("killed-") + GetParam ().name + ".log");
	StreamFeeder feeder (input, tool);
	ASSERT_TRUE (holdRenderUnderWay (feeder, tool));

	tool.signal (SIGKILL);
	tool.finish ();
	EXPECT_EQ (namesIn (folder), namesBefore);
	if (GetParam ().existing)
	{
		EXPECT_EQ (readBytes (output), kEarlierContent);
		EXPECT_EQ (stateOf (output), before);
	}
}

// In a folder where anyone may make and remove names, another user puts a
// link to a secret file in place of every name the render makes, as soon
// as it shows: the render must neither write into that file nor put that
// link in place of --out.
TEST_P (RenderToolUnfinished, CannotBeRedirectedByAnotherUser)
{
	ASSERT_NO_FATAL_FAILURE (arrange ("redirected-"));
	fs::permissions (folder, fs::perms (0777));
	const fs::path secret = input.parent_path () / "secret";
	writeText (secret, "root's secret\n");
	fs::permissions (secret, fs::perms (0600));
	ToolProcess tool (streamArguments (input, output), std::string ("redirected-") + GetParam ().name + ".log");
	StreamFeeder feeder (input, tool);
	ASSERT_TRUE (holdRenderUnderWay (feeder, tool));

	for (const auto& name : namesIn (folder))
	{
		if (namesBefore.count (name))
			continue;
		fs::remove (folder / name);
		fs::create_symlink (secret, folder / name);
	}
	feeder.end ();
	EXPECT_EQ (tool.finish (), 0);
	EXPECT_EQ (readBytes (secret), "root's secret\n");
	EXPECT_FALSE (fs::is_symlink (output));
	Sound rendered;
	ASSERT_TRUE (readSound (output.string (), rendered));
	EXPECT_EQ (rendered.frames (), static_cast<size_t> (kStreamRate + 0.85 * kStreamRate));
}

INSTANTIATE_TEST_SUITE_P (Outputs, RenderToolUnfinished,
                          ::testing::Values (Unfinished {"new_name", false}, Unfinished {"existing_file", true}),
                          CaseName ());

// Where the system makes no file without a name (here: the tool finds no
// /proc, through which such a file is given its name), the unfinished
// render has a short name of its own, as private, and never left behind.
struct WithoutUnnamedFiles
{
	const char* name;
	bool existing;
};

void PrintTo (const WithoutUnnamedFiles& c, std::ostream* out)
{
	*out << c.name;
}

class RenderToolWithoutUnnamedFiles : public ::testing::TestWithParam<WithoutUnnamedFiles>
{
};

bool hideProc ()
{
	return ownMountNamespace () && mount ("none", "/proc", "tmpfs", 0, nullptr) == 0;
}

TEST_P (RenderToolWithoutUnnamedFiles, NamesTheRenderPrivatelyAndLeavesNoName)
{
	if (!isRoot ())
		GTEST_SKIP () << "needs root, to hide /proc from the tool";
	// Where the test cannot have mounts of its own (a chroot whose root is
	// no mount point), neither can the tool.
	std::string why;
	if (!enterOwnMountNamespace (why))
		GTEST_SKIP () << why;
	const WithoutUnnamedFiles c = GetParam ();
	const fs::path folder = caseFolder (std::string ("named-") + c.name);
	const fs::path output = folder / "render.wav";
	const fs::path input = caseFolder (std::string ("named-") + c.name + "-input") / "input.pipe";
	ASSERT_EQ (mkfifo (input.c_str (), 0644), 0);
	FileState before;
	if (c.existing)
	{
		writeText (output, kEarlierContent);
		before = stateOf (output);
	}
	const auto namesBefore = namesIn (folder);

	ToolSetup setup;
	setup.inChild = hideProc;
	const std::string log = std::string ("named-") + c.name + ".log";
	ToolProcess tool (streamArguments (input, output), log, setup);
	StreamFeeder feeder (input, tool);
	ASSERT_TRUE (holdRenderUnderWay (feeder, tool)) << readText (outputPath (log));

	std::set<std::string> added;
	for (const auto& name : namesIn (folder))
	{
		if (!namesBefore.count (name))
			added.insert (name);
	}
	ASSERT_EQ (added.size (), 1u);
	const std::string temporary = *added.begin ();
	EXPECT_EQ (temporary.size (), std::string (".tarvine-12345678.tmp").size ()) << temporary;
	EXPECT_EQ (temporary.rfind (".tarvine-", 0), 0u) << temporary;
	EXPECT_EQ (stateOf (folder / temporary).mode & 07777, 0600u);

	feeder.end ();
	ASSERT_EQ (tool.finish (), 0) << readText (outputPath (log));
	EXPECT_EQ (namesIn (folder), std::set<std::string> {"render.wav"});
	if (c.existing)
	{
		EXPECT_EQ (stateOf (output), before);
	}
	Sound rendered;
	ASSERT_TRUE (readSound (output.string (), rendered));
	EXPECT_EQ (rendered.frames (), static_cast<size_t> (kStreamRate + 0.85 * kStreamRate));
}

INSTANTIATE_TEST_SUITE_P (Outputs, RenderToolWithoutUnnamedFiles,
                          ::testing::Values (WithoutUnnamedFiles {"new_name", false},
                                             WithoutUnnamedFiles {"existing_file", true}),
                          CaseName ());

// --- Long names -----------------------------------------------------------

struct LongName
{
	const char* name;
	std::string fileName;
	size_t pathBytes; // at least; 0 for a file in the case folder
	bool existing;
};

void PrintTo (const LongName& c, std::ostream* out)
{
	*out << c.name;
}

class RenderToolLongName : public ::testing::TestWithParam<LongName>
{
};

std::string repeated (const std::string& part, size_t times)
{
	std::string whole;
	for (size_t i = 0; i < times; ++i)
		whole += part;
	return whole;
}

TEST_P (RenderToolLongName, IsWrittenAsAnyOther)
{
	const LongName& c = GetParam ();
	const fs::path folder = caseFolder (std::string ("long-") + c.name);
	fs::path outputFolder = folder;
	// Folders of 200 bytes each until the path is long enough.
	while ((outputFolder / c.fileName).string ().size () < c.pathBytes)
		outputFolder /= repeated ("d", 200);
	fs::create_directories (outputFolder);
	const fs::path output = outputFolder / c.fileName;
	ASSERT_GE (output.string ().size (), c.pathBytes);
	ASSERT_LT (output.string ().size (), 4096u);
	if (c.existing)
		writeText (output, kEarlierContent);

	const std::string log = std::string ("long-") + c.name + ".log";
	ToolProcess tool (demoArguments (output), log);
	ASSERT_EQ (tool.finish (), 0) << readText (outputPath (log));
	EXPECT_TRUE (holdsTheDemo (output));
	EXPECT_EQ (namesIn (outputFolder), std::set<std::string> {c.fileName});
}

INSTANTIATE_TEST_SUITE_P (
    Names, RenderToolLongName,
    ::testing::Values (LongName {"name_of_255_bytes", repeated ("n", 251) + ".wav", 0, false},
                       LongName {"existing_name_of_255_bytes", repeated ("n", 251) + ".wav", 0, true},
                       // 83 characters of three bytes each, and ".wav"
                       LongName {"cjk_name_of_253_bytes", repeated ("\xe9\x9f\xb3", 83) + ".wav", 0, false},
                       LongName {"path_of_1100_bytes", "render.wav", 1100, false},
                       LongName {"path_of_4000_bytes", repeated ("n", 200) + ".wav", 4000, true}),
    CaseName ());

// --- A terminal ---------------------------------------------------------

struct Terminal
{
	const char* name;
	bool controlling; // --out /dev/tty, the tool's controlling terminal; else the terminal's own name
};

void PrintTo (const Terminal& c, std::ostream* out)
{
	*out << c.name;
}

class RenderToolTerminal : public ::testing::TestWithParam<Terminal>
{
};

TEST_P (RenderToolTerminal, IsRefusedBeforeAByteReachesIt)
{
	const Terminal c = GetParam ();
	const int master = posix_openpt (O_RDWR | O_NOCTTY | O_NONBLOCK);
	ASSERT_GE (master, 0);
	ASSERT_EQ (grantpt (master), 0);
	ASSERT_EQ (unlockpt (master), 0);
	const std::string terminal = ptsname (master);
	// Held open, so that what reached the terminal stays to be read.
	const int held = open (terminal.c_str (), O_RDWR | O_NOCTTY);
	ASSERT_GE (held, 0);

	ToolSetup setup;
	if (c.controlling)
	{
		setup.inChild = [terminal] {
			const int descriptor = setsid () < 0 ? -1 : open (terminal.c_str (), O_RDWR);
			return descriptor >= 0 && ioctl (descriptor, TIOCSCTTY, 0) == 0 && close (descriptor) == 0;
		};
	}
	const std::string log = std::string ("terminal-") + c.name + ".log";
	ToolProcess tool (demoArguments (c.controlling ? "/dev/tty" : terminal), log, setup);
	EXPECT_EQ (tool.finish (), 1);
	EXPECT_NE (readText (outputPath (log)).find ("it is a terminal"), std::string::npos)
	    << readText (outputPath (log));
	char received[64];
	const ssize_t bytes = read (master, received, sizeof received);
	EXPECT_TRUE (bytes < 0 && errno == EAGAIN) << bytes << " bytes reached the terminal";
	close (held);
	close (master);
}

INSTANTIATE_TEST_SUITE_P (Names, RenderToolTerminal,
                          ::testing::Values (Terminal {"its_own_name", false}, Terminal {"dev_tty", true}),
                          CaseName ());

} // namespace
