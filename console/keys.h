// The console keyboard: key waiting and key read.
#pragma once

namespace con {

// True when a key press, or the second code of an extended key, is pending.
// Never waits for the user; false without a console.
bool key_waiting();

// Waits for one key press and gives its code, unechoed. An extended key gives
// a lead code (0 for function keys, 224 for the others) and the next call its
// second code. -1 without a console. Standard output and error are flushed
// first, so a question shows before the wait.
int key_read();

} // namespace con
