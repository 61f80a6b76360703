// The plugin's fixed identity texts. The host may keep their addresses for as
// long as the plugin is loaded, so they are module-lifetime constants.
#ifndef OBOARD_CORE_PLUGIN_IDENTITY_H
#define OBOARD_CORE_PLUGIN_IDENTITY_H

extern const char VersionText[];      // "0.1.0"
extern const char SignatureText[];    // "O.BOARD"
extern const char DisplayNameText[];  // "Orvane Board"
extern const char ActionLabelText[];  // "O.Board"
extern const char EmptyText[];

#endif
