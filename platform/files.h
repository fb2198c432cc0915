// The engine's data files as the operating system keeps them: existence and
// access tests, and the replacement of a whole file that a crash never
// leaves half-written. Records read and written in place:
// platform/positioned_file.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A regular file (not a folder) is there.
bool regular_file_exists(const std::string& path);
// The file may be read and written by this process.
bool file_readable_and_writable(const std::string& path);

// Replaces the file at `path` with `bytes`: they go to a new file in the same
// folder ("<name>.new-XXXXXX"), are flushed to the disk and renamed over the
// old file, so that the path always names either the old or the new content.
// The old file's rights are kept; a symbolic link is written through to the
// file it names. New files that saves of ended processes left behind are
// removed first. False (and nothing changed) on failure.
bool replace_file(const std::string& path, const void* bytes, size_t size);

// Test seam: called by replace_file after the new content is on the disk and
// before the rename, with the name of the new file.
using ReplaceFileHook = void (*)(const std::string& new_file);
extern ReplaceFileHook replace_file_before_rename;
