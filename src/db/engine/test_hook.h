#pragma once

namespace db::testhook {

// Named points inside the engine's long or multi-step file operations (pack, index
// rebuilds), where crash tests stop a child process at an exact step or count its progress,
// and where tests of shared use hold a process while another one works.
// No hook is set outside tests: reaching a point then costs one atomic load.
//
// Points: "pack:records" (every 4096 records written to the new table), "pack:written" (the
// new table complete beside the old), "pack:switched" (renamed into place), "pack:moved" (memo
// copies moved to the front of the memo file), "pack:renumbered" (the table pointing at them),
// "pack:unflagged" and "pack:reindexed" (the table's index flag cleared, and the index built
// again before it is set), "index:keys" (every 65536 keys sorted into a new index),
// "index:written" (a new index complete beside the old), "table:opened" (a table's file
// open, its open lock not yet taken).
using Hook = void (*)(const char *point);

void set(Hook hook);
void reach(const char *point);

} // namespace db::testhook
