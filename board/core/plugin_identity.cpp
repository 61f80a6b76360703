#include "plugin_identity.h"

const char VersionText[] = "0.1.0";
const char SignatureText[] = "O.BOARD";
const char PlatformText[] = "W98";
const char DisplayNameText[] = "Orvane Board";
const char ActionLabelText[] = "O.Board";
const char EmptyText[] = "";
