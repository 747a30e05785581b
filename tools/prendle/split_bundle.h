// The split of an open bundle into the files that its name lines name.
#pragma once

#include "console/stream.h"

namespace prendle {

// Cuts text at its first LF, CR or Ctrl-Z by putting a NUL there.
void cut_line_end(char* text);

// Reads the bundle to its end: each line that begins with a form feed names
// a file, created in text mode, that gets the lines up to the next such
// line. bundle_name is the bundle's own name, which no name line may take.
// Gives false when a write to one of the files failed (it is reported).
bool split_bundle(con::Stream& bundle, const char* bundle_name);

} // namespace prendle
