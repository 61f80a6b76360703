// The version of oboard.dll, in one place: the version block of oboard.rc,
// the plugin's answer to MsgGetVersion and the release package's name
// (CMake reads the text below) all come from here. The numbers and the text
// must name the same version; the build checks that they do.
#ifndef OBOARD_RES_VERSION_H
#define OBOARD_RES_VERSION_H

#define OBOARD_VERSION_MAJOR 0
#define OBOARD_VERSION_MINOR 1
#define OBOARD_VERSION_PATCH 0
#define OBOARD_VERSION_BUILD 0
#define OBOARD_VERSION_TEXT "0.1.0"

#endif
