/* Clocks and the one result line that every Windows-side benchmark program
 * prints; the runner (bench/runner) reads these lines from its output. */
#ifndef BENCH_REPORT_H
#define BENCH_REPORT_H

#ifdef __cplusplus
extern "C" {
#endif

/* Wall-clock seconds from the performance counter. */
double BenchNow(void);

/* User plus kernel seconds of the whole process, every thread included. */
double BenchCpuSeconds(void);

/* Prints `BENCH-BEGIN ROW SIDE` and flushes, right before a measured loop:
 * the runner samples the CPU time of this process and of the wineserver
 * when it reads this line and when it reads the loop's report. */
void BenchBegin(const char* row, const char* side);

/* Prints `BENCH {"row":ROW,"side":SIDE,"n":N,"wall":WALL,"cpu":CPU}` and
 * flushes: N operations took WALL seconds and CPU seconds of the process.
 * A VALUE of 0 or more is added as "value" (a figure the row reports
 * itself, such as bytes per board). */
void BenchReport(const char* row, const char* side, double n, double wall, double cpu, double value);

#ifdef __cplusplus
}
#endif

#endif
