#pragma once

// The names and icon the desktop knows the program by. Window titles stay exactly the
// captions the windows set.
void SetProgramIdentity();
