#pragma once

#include "output_file.h"

#include <memory>

namespace ferrowax {

class SaveTarget;

// A save over a file the user may write, in a folder that takes no new file
// beside it. The file is opened at once and keeps its owner and mode; the
// new text waits in memory and goes over the old one only at the close, once
// the disk has given it room, so that a save ended before then leaves the
// old file whole.
std::unique_ptr<OutputFile> openInPlace(const SaveTarget& target);

} // namespace ferrowax
