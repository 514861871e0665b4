// Moving an entry to another folder of its volume, never over another
// entry: how kept versions leave the destination.
#pragma once

#include <string>

namespace mirtel {

// Renames entry `name` of open folder `dir` to absolute path `target` (of
// any length) on the same volume; throws FsError (AlreadyExists where
// `target` is taken).
void MoveEntryAside(int dir, const std::string& name, const std::string& target);

// The other way: `target` back to `name` of `dir`; false where it cannot.
bool MoveEntryBack(const std::string& target, int dir, const std::string& name);

}  // namespace mirtel
