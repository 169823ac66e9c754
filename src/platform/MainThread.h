#pragma once

// Ends the program with a message naming the caller when called off the
// application's main thread. Stays on in release builds: a window or a
// runner driven from a worker corrupts state silently otherwise.
void ExpectMainThread(const char* where);
