#pragma once

#include <QByteArray>

#include <cstdio>
#include <cstdlib>

// A broken invariant must end the run in every build type (assert would vanish with NDEBUG), so that
// libFuzzer saves the input that broke it.
#define FUZZ_CHECK(condition) \
    do { \
        if (!(condition)) \
            fuzzFail(__FILE__, __LINE__, #condition, QByteArray()); \
    } while (false)

// The same, with details (values seen) printed next to the condition.
#define FUZZ_CHECK_INFO(condition, info) \
    do { \
        if (!(condition)) \
            fuzzFail(__FILE__, __LINE__, #condition, (info)); \
    } while (false)

[[noreturn]] inline void fuzzFail(const char *file, int line, const char *condition, const QByteArray &info)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
    if (!info.isEmpty())
        std::fprintf(stderr, "  %s\n", info.constData());
    std::abort();
}

// The fuzz targets' own reading of a hex digit, kept apart from the program's so that the two can disagree.
inline int oracleHexValue(char16_t unit)
{
    if (unit >= u'0' && unit <= u'9')
        return unit - u'0';
    if (unit >= u'a' && unit <= u'f')
        return unit - u'a' + 10;
    if (unit >= u'A' && unit <= u'F')
        return unit - u'A' + 10;
    return -1;
}
