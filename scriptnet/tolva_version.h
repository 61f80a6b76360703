// The version of tolva.dll, in one place: the version block of tolva.rc and
// the release package's name (CMake reads the text below) come from here.
// The numbers and the text must name the same version; the build checks
// that they do.
#ifndef SCRIPTNET_TOLVA_VERSION_H
#define SCRIPTNET_TOLVA_VERSION_H

#define TOLVA_VERSION_MAJOR 1
#define TOLVA_VERSION_MINOR 0
#define TOLVA_VERSION_PATCH 0
#define TOLVA_VERSION_BUILD 1
#define TOLVA_VERSION_TEXT "1.0.0.1"

#endif
