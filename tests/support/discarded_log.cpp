// Code run outside the program (fuzzing, benchmarks) may log; the lines go nowhere.
#include "host/log.h"

void writeLog(const wchar_t*, ...) {}
