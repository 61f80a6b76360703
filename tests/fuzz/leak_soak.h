// Board cycles that use everything a board has (strokes of every tool, the
// colour menus and dialog, the pen-width picker, drawing requests within
// and beyond range, scrolling, resizing, minimising, an invitation sent and
// accepted) and close it in turn by its close button, by the end of the user
// interface and by destroying its window, with a census of the process's GDI
// and USER objects before and after.
#ifndef TESTS_FUZZ_LEAK_SOAK_H
#define TESTS_FUZZ_LEAK_SOAK_H

// Runs `cycles` board cycles after one to warm up; prints the census before
// and after. 0 when the objects after are no more than before (within the
// few the system may cache), else 1.
int RunLeakSoak(int cycles);

#endif
