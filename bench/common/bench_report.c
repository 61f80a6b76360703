#include "bench_report.h"

#include <windows.h>

#include <stdio.h>

double BenchNow(void)
{
    static LARGE_INTEGER frequency;
    LARGE_INTEGER now;
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

static double FileTimeSeconds(const FILETIME* time)
{
    ULARGE_INTEGER ticks;
    ticks.LowPart = time->dwLowDateTime;
    ticks.HighPart = time->dwHighDateTime;
    return (double)ticks.QuadPart / 1e7;
}

double BenchCpuSeconds(void)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0.0;
    return FileTimeSeconds(&kernel) + FileTimeSeconds(&user);
}

void BenchBegin(const char* row, const char* side)
{
    printf("BENCH-BEGIN %s %s\n", row, side);
    fflush(stdout);
}

void BenchReport(const char* row, const char* side, double n, double wall, double cpu, double value)
{
    printf("BENCH {\"row\":\"%s\",\"side\":\"%s\",\"n\":%.0f,\"wall\":%.9f,\"cpu\":%.6f", row, side, n, wall, cpu);
    if (value >= 0)
        printf(",\"value\":%.3f", value);
    printf("}\n");
    fflush(stdout);
}
