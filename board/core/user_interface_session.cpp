#include "core/user_interface_session.h"

namespace {

bool gUserInterfaceRunning = false;
unsigned gUserInterfaceEnds = 0;

}  // namespace

void MarkUserInterfaceStarted()
{
    gUserInterfaceRunning = true;
}

void MarkUserInterfaceEnded()
{
    gUserInterfaceRunning = false;
    ++gUserInterfaceEnds;
}

bool UserInterfaceRunning()
{
    return gUserInterfaceRunning;
}

unsigned UserInterfaceEnds()
{
    return gUserInterfaceEnds;
}
