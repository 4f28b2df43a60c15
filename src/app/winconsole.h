#pragma once

// On Windows the console is a window program, which has no console of its
// own: started from a command prompt, it writes its command-line output and
// status lines there. Nothing changes where the output already leads somewhere
// (a file, a pipe) or on other systems.
void attachParentConsole();
