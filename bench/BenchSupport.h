#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// What the benchmark programs share: failing loudly, running shell commands
// and reading this process's memory figures.
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
