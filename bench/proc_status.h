// Reading a process's own accounting out of /proc, for the benchmarks.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/types.h>

// Reads one "Key:   123 kB" line of /proc/<pid>/status; -1 if absent.
inline long status_kb(pid_t pid, const char *key)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/status", int(pid));
    FILE *f = std::fopen(path, "r");
    if (!f)
        return -1;
    char line[256];
    long kb = -1;
    const size_t keylen = std::strlen(key);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, key, keylen) == 0 && line[keylen] == ':') {
            kb = std::strtol(line + keylen + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(f);
    return kb;
}
