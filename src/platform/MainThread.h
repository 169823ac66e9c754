#pragma once

// Ends the program with a message naming the caller when called off the
// application's main thread. Stays on in release builds: a window or a
// runner driven from a worker corrupts state silently otherwise.
void ExpectMainThread(const char* where);

class QObject;
// The same for an object's own thread (where it was created): a component
// started or stopped from another thread races with its owner.
void ExpectOwningThread(const QObject* object, const char* where);
