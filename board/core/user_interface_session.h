// The life of the user interface as the plugin follows it: whether it runs
// (from MsgUiStart to MsgUiEnd: boards exist only then, its window classes
// being there) and how many times it has ended. The host may end the
// interface, and start it again, from inside any call into it, so a
// handler that calls the host and then goes on compares the count of ends
// before and after: an end meanwhile has the last word.
#ifndef OBOARD_CORE_USER_INTERFACE_SESSION_H
#define OBOARD_CORE_USER_INTERFACE_SESSION_H

void MarkUserInterfaceStarted();
// Every end counts, also one that comes while the interface does not run
// (from inside its own start, say).
void MarkUserInterfaceEnded();

bool UserInterfaceRunning();
unsigned UserInterfaceEnds();

#endif
