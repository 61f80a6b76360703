// Finds the module's message boxes (dialog class "#32770", caption
// "TOLVA") from a thread of its own, notes what they show and closes them
// with their OK button, as a user would.
#ifndef TOLVA_TESTS_MESSAGE_BOX_CLOSER_H
#define TOLVA_TESTS_MESSAGE_BOX_CLOSER_H

#include <string>

struct SeenMessageBoxes {
    int count;             // boxes closed since the previous call
    std::string lastText;  // the text of the last one
    bool informationIcon;  // the last one showed the information icon
    int buttons;           // buttons of the last one
    bool owned;            // the last one had an owner window
};

void StartMessageBoxCloser();
SeenMessageBoxes TakeSeenMessageBoxes();

#endif
