// Captures raylib's TraceLog lines for the lifetime of the object so tests can assert on them.
#pragma once

#include "raylib.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

struct LogLine {
    int level;
    std::string text;
};

class LogCapture {
public:
    LogCapture()
    {
        Lines().clear();
        SetTraceLogLevel(LOG_ALL);
        SetTraceLogCallback(Callback);
    }
    ~LogCapture() { SetTraceLogCallback(nullptr); }

    const std::vector<LogLine> &lines() const { return Lines(); }
    int count(int level) const
    {
        int n = 0;
        for (const LogLine &l : Lines()) n += l.level == level;
        return n;
    }

private:
    static std::vector<LogLine> &Lines()
    {
        static std::vector<LogLine> lines;
        return lines;
    }
    static void Callback(int level, const char *format, va_list args)
    {
        char buffer[1024];
        vsnprintf(buffer, sizeof(buffer), format, args);
        Lines().push_back({level, buffer});
    }
};
