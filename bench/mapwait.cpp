// Starts a program and reports how long it took until the X server mapped its
// first top-level window, then how much memory the program holds a while
// later. The map is observed as an event (SubstructureNotify on the root
// window), not by polling, so the figure does not depend on a poll interval.
//
// Usage: mapwait [--settle-ms N] [--timeout-ms N] -- program [args...]
// Prints one line: "map_ns=<ns> cpu_ns=<ns> rss_kb=<kB> anon_kb=<kB> gl=<0|1>",
// where cpu_ns is the CPU time that all the program's threads had used when
// the map was seen (less disturbed by other load on the machine than the wall
// time) and gl tells whether Qt's xcb GL integration plugin was loaded.
// Exit status: 0 on success, 2 on bad usage, 3 if the program exited or never
// mapped a window in time, 4 if no X display could be opened.

#include "proc_status.h"

#include <xcb/xcb.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

long long now_ns()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

// CPU time used so far by all threads of the process, from the scheduler's
// own accounting (nanosecond resolution, unlike the tick-based utime).
long long cpu_ns(pid_t pid)
{
    char dir[64];
    std::snprintf(dir, sizeof dir, "/proc/%d/task", int(pid));
    DIR *tasks = opendir(dir);
    if (!tasks)
        return -1;
    long long total = 0;
    while (dirent *entry = readdir(tasks)) {
        if (entry->d_name[0] == '.')
            continue;
        char path[128];
        std::snprintf(path, sizeof path, "%s/%s/schedstat", dir, entry->d_name);
        if (FILE *f = std::fopen(path, "r")) {
            long long ns = 0;
            if (std::fscanf(f, "%lld", &ns) == 1)
                total += ns;
            std::fclose(f);
        }
    }
    closedir(tasks);
    return total;
}

bool maps_contain(pid_t pid, const char *needle)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/maps", int(pid));
    FILE *f = std::fopen(path, "r");
    if (!f)
        return false;
    char line[1024];
    bool found = false;
    while (!found && std::fgets(line, sizeof line, f))
        found = std::strstr(line, needle) != nullptr;
    std::fclose(f);
    return found;
}

void stop(pid_t pid)
{
    kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

} // namespace

int main(int argc, char **argv)
{
    long settle_ms = 1500;
    long timeout_ms = 30000;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") {
            ++i;
            break;
        }
        if (arg == "--settle-ms" && i + 1 < argc)
            settle_ms = std::strtol(argv[++i], nullptr, 10);
        else if (arg == "--timeout-ms" && i + 1 < argc)
            timeout_ms = std::strtol(argv[++i], nullptr, 10);
        else {
            std::fprintf(stderr,
                         "usage: %s [--settle-ms N] [--timeout-ms N] -- program [args...]\n",
                         argv[0]);
            return 2;
        }
    }
    if (i >= argc) {
        std::fprintf(stderr, "mapwait: no program given\n");
        return 2;
    }

    int screen_number = 0;
    xcb_connection_t *conn = xcb_connect(nullptr, &screen_number);
    if (xcb_connection_has_error(conn)) {
        std::fprintf(stderr, "mapwait: cannot open the X display\n");
        return 4;
    }
    // The program must not inherit our connection.
    fcntl(xcb_get_file_descriptor(conn), F_SETFD, FD_CLOEXEC);

    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(conn));
    for (int s = 0; s < screen_number; ++s)
        xcb_screen_next(&it);
    const xcb_window_t root = it.data->root;

    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(conn, root, XCB_CW_EVENT_MASK, &mask);
    // A round trip makes sure the selection is in force before the program
    // can map anything.
    free(xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr));

    const long long start = now_ns();
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("mapwait: fork");
        return 3;
    }
    if (pid == 0) {
        execvp(argv[i], argv + i);
        std::perror("mapwait: exec");
        _exit(127);
    }

    const int fd = xcb_get_file_descriptor(conn);
    const long long deadline = start + timeout_ms * 1000000LL;
    long long mapped = -1;
    long long cpu_at_map = -1;
    while (mapped < 0) {
        while (xcb_generic_event_t *ev = xcb_poll_for_event(conn)) {
            if ((ev->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                auto *map = reinterpret_cast<xcb_map_notify_event_t *>(ev);
                // Override-redirect windows (tool tips, menus) are not the
                // program's main window.
                if (map->event == root && !map->override_redirect && mapped < 0) {
                    mapped = now_ns();
                    cpu_at_map = cpu_ns(pid);
                }
            }
            free(ev);
        }
        if (mapped >= 0)
            break;
        if (xcb_connection_has_error(conn)) {
            std::fprintf(stderr, "mapwait: lost the X connection\n");
            stop(pid);
            return 4;
        }
        int status;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            std::fprintf(stderr, "mapwait: %s exited before mapping a window\n", argv[i]);
            return 3;
        }
        const long long left_ms = (deadline - now_ns()) / 1000000LL;
        if (left_ms <= 0) {
            std::fprintf(stderr, "mapwait: no window from %s within %ld ms\n", argv[i], timeout_ms);
            stop(pid);
            return 3;
        }
        pollfd pfd{fd, POLLIN, 0};
        // Wake up now and then to notice a program that died.
        poll(&pfd, 1, left_ms < 100 ? int(left_ms) : 100);
    }

    usleep(useconds_t(settle_ms) * 1000);
    const long rss = status_kb(pid, "VmRSS");
    const long anon = status_kb(pid, "RssAnon");
    const bool gl = maps_contain(pid, "/xcbglintegrations/");
    stop(pid);
    xcb_disconnect(conn);
    if (rss < 0) {
        std::fprintf(stderr, "mapwait: %s was gone before its memory could be read\n", argv[i]);
        return 3;
    }
    std::printf("map_ns=%lld cpu_ns=%lld rss_kb=%ld anon_kb=%ld gl=%d\n", mapped - start,
                cpu_at_map, rss, anon, gl ? 1 : 0);
    return 0;
}
