// The run's date-time block (stand-in: only the text at offset 34 is
// filled, from the local time; the date routines replace this module).
#include "runtime/runtime.h"

#include <sys/time.h>
#include <cstdio>
#include <cstring>
#include <ctime>

int cbldate(char* out, const void*, int mode) {
    if (mode != 0 && mode != 2) return 0;
    std::memset(out, '+', CBLDATE_LEN);
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    struct tm t;
    time_t s = tv.tv_sec;
    localtime_r(&s, &t);
    int tenth = static_cast<int>((tv.tv_usec / 1000 + 50) / 100);
    if (tenth > 9) tenth = 9;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d.%d", t.tm_year + 1900,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, tenth);
    std::memcpy(out + CBLDATE_TEXT, buf, 21);
    return t.tm_year + 1900;
}
