#include "core/plugin_identity.h"

#include "version.h"

const char VersionText[] = OBOARD_VERSION_TEXT;
const char SignatureText[] = "O.BOARD";
const char DisplayNameText[] = "Orvane Board";
const char ActionLabelText[] = "O.Board";
const char EmptyText[] = "";
