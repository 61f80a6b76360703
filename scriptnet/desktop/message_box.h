// tMsg's message box, which the calling thread waits for.
#ifndef SCRIPTNET_DESKTOP_MESSAGE_BOX_H
#define SCRIPTNET_DESKTOP_MESSAGE_BOX_H

// Shows the text in a box without owner, captioned "TOLVA", with the
// information icon and an OK button; returns when the user closes it, or
// when the module unloads (the box then closes by itself; while the module
// is unloaded no box is shown).
void ShowScriptMessage(const char* text);

#endif
