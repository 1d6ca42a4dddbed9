#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// What the benchmark programs share: failing loudly, running shell commands,
// timing and summing up rounds, and reading this process's memory figures.
namespace bench {

inline const char* programName = "bench";

[[noreturn]] inline void fail(const std::string& what)
{
    std::fprintf(stderr, "%s: %s\n", programName, what.c_str());
    std::exit(1);
}

inline void run(const std::string& command)
{
    if (std::system(command.c_str()) != 0)
        fail("command failed: " + command);
}

// A path as one shell word.
inline std::string quoted(const QString& path)
{
    return "'" + path.toStdString() + "'";
}

inline double seconds(const QElapsedTimer& t)
{
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Round times as "0.12 0.34 ...".
inline QString series(const std::vector<double>& times)
{
    QStringList out;
    for (double t : times)
        out << QString::number(t, 'f', 2);
    return out.join(QLatin1Char(' '));
}

// A "Key:  N kB" line of /proc/self/status, in KiB; 0 when absent.
inline long statusKiB(const char* key)
{
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return 0;
    char line[256];
    long value = 0;
    const size_t n = std::strlen(key);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, key, n) == 0) {
            value = std::atol(line + n);
            break;
        }
    }
    std::fclose(f);
    return value;
}

} // namespace bench
