// What the plugin tells the host while it starts: its settings columns and
// its user-interface item.
#ifndef OBOARD_CORE_PLUGIN_SETUP_H
#define OBOARD_CORE_PLUGIN_SETUP_H

void DefineSettingsColumns();
void RegisterBoardAction();

#endif
