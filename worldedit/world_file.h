#pragma once

#include <string>
#include <vector>

// Pieces for saving a world file so that a failure part-way never leaves a half-old, half-new
// file: the world is written into a new file next to the old one, which replaces the old one
// only when everything was written.

// The text of a world file without the sections named by one of the prefixes followed by a
// number, or by one of the names (letter case ignored): what remains are the parts the editor
// does not edit.
std::string WithoutSections(const std::string& text, const std::vector<std::string>& prefixes,
                            const std::vector<std::string>& names);

// The whole file, or the empty text if it cannot be read.
std::string ReadWholeFile(const std::string& path);

// Where a save of path goes: through a symbolic link to the file it names, so the link stays.
std::string SaveTarget(const std::string& path);
// Empty if a save may replace target (or it does not exist); otherwise the reason it may not:
// it is read-only or not a regular file.
std::string SaveRefusal(const std::string& target);
// Removes the files next to target that CreateFileNextTo made for it and a killed save left.
void RemoveStaleSaves(const std::string& target);

// A new file holding text, in the folder of target (which need not exist). False, with nothing
// left behind, if it cannot be made there.
bool CreateFileNextTo(const std::string& target, const std::string& text, std::string& created);

// Renames file over target in one step; target's permissions are kept. False if that fails.
bool MoveOver(const std::string& file, const std::string& target);
