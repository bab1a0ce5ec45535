#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/ini_text.h"

// A portable stand-in for the Windows private-profile functions that the data files were
// written for. Paths given here are host paths (see paths.h).

// Looks a key up in the file at `path`. False if the file, the section or the key does not
// exist or the file cannot be read. Parsed files are cached until they change on disk or are
// written through WriteIniValue. Safe to call from several threads.
bool ReadIniValue(const std::string& path, std::string_view section, std::string_view key,
                  std::string& value);

// Stores key=value in `section` of the file at `path`: replaces the line of the first such key,
// or adds the key after the section's last key, or appends the section at the end of the file.
// All other bytes of the file stay as they were. The file is replaced in one step, so it is
// never left half written. False if nothing was stored: the file could not be read or
// replaced, or the names or the value could not be read back as given (a line end in any of
// them, an empty key, a key holding "=" or starting with ";" or "[", a value with surrounding
// blanks or enclosing quotes or longer than 1,023 characters).
bool WriteIniValue(const std::string& path, std::string_view section, std::string_view key,
                   std::string_view value);

// A batch gathers the writes to one file in memory, so that many keys cost one replacement of
// the file instead of one each. While a batch of `path` is open on a thread, WriteIniValue of
// that thread changes only the batch's copy and ReadIniValue of that thread reads that copy;
// other threads see the file as it is on disk. The copy is read when the batch opens.

// Opens a batch of `path` on this thread. False if this thread has one open for it already. A
// file that cannot be read for rewriting (WriteIniValue would fail) gives a batch that refuses
// every write and leaves reads to the file. With `startText` the copy starts from that text
// instead of the file's: a file made anew in one step.
bool OpenIniBatch(const std::string& path, const std::optional<std::string>& startText = std::nullopt);
// Closes the batch of `path` on this thread and stores its copy as WriteIniValue stores a file,
// in one step. False, with the file left as it was, if there was no such batch, the batch
// refused a write, or the file could not be replaced.
bool CommitIniBatch(const std::string& path);
// Closes the batch of `path` on this thread, if any, without storing anything.
void DropIniBatch(const std::string& path);

// A read batch pins the file at `path` for this thread as it is when the batch opens: its reads
// on this thread then cost neither a look at the disk nor a lock, until the batch closes or this
// thread writes to the file. False if the file cannot be read (reads then go to the file).
bool OpenIniReadBatch(const std::string& path);
void CloseIniReadBatch(const std::string& path);
