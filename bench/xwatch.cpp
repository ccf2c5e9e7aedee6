// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Runs one program under the X server of $DISPLAY and measures it from the outside, the way a
// player meets it: an X client watching the root window for top-level windows being mapped.
//
//   quorvella_xwatch [--name NAME] [--after-map MS] [--idle MS] [--steady-after MS]
//                    [--clock MS] [--tick-region X,Y,W,H] -- program args...
//
// The program is expected to map three top-level windows in turn: the name box (answered with
// NAME and Enter through xdotool), the greeting (answered with Enter) and the main window. From
// the main window's map on, the process is sampled: memory at --after-map, CPU time and voluntary
// context switches of all its threads over the following --idle milliseconds and again over
// --idle milliseconds from --steady-after (once the answer box's caret has stopped blinking,
// as it stays for the rest of a race), and the times at
// which the server saw the clock label's rectangle (--tick-region, in the main window's
// coordinates) being drawn, until --clock milliseconds after the map. Then the program is ended
// and one line of results is printed:
//
//   first_map_ms=.. ok_to_main_ms=.. rss_kib=.. pss_kib=.. idle_cpu_ms=.. idle_vcsw=..
//   steady_cpu_ms=.. steady_vcsw=.. ticks=.. drift_ms_per_min=.. jitter_ms=..
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <dirent.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

struct Options {
  std::string name = "Ada";
  int afterMap = 3000;
  int idle = 20000;
  int steadyAfter = 12000;
  int clock = 60000;
  int region[4] = {0, 171, 105, 33};
  std::vector<char*> command;
};

[[noreturn]] void Usage(const char* why) {
  std::fprintf(stderr, "quorvella_xwatch: %s\n", why);
  std::exit(2);
}

Options Parse(int argc, char** argv) {
  Options o;
  int i = 1;
  for (; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) Usage(("missing value after " + a).c_str());
      return argv[++i];
    };
    if (a == "--") {
      ++i;
      break;
    } else if (a == "--name") {
      o.name = value();
    } else if (a == "--after-map") {
      o.afterMap = std::atoi(value());
    } else if (a == "--idle") {
      o.idle = std::atoi(value());
    } else if (a == "--steady-after") {
      o.steadyAfter = std::atoi(value());
    } else if (a == "--clock") {
      o.clock = std::atoi(value());
    } else if (a == "--tick-region") {
      if (std::sscanf(value(), "%d,%d,%d,%d", &o.region[0], &o.region[1], &o.region[2],
                      &o.region[3]) != 4) {
        Usage("--tick-region wants X,Y,W,H");
      }
    } else {
      Usage(("unknown option " + a).c_str());
    }
  }
  for (; i < argc; ++i) o.command.push_back(argv[i]);
  if (o.command.empty()) Usage("no program given after --");
  o.command.push_back(nullptr);
  return o;
}

// CPU time in nanoseconds and voluntary context switches, summed over the process's threads.
struct Usage_ {
  long long cpuNs = 0;
  long long vcsw = 0;
};

Usage_ ReadUsage(pid_t pid) {
  Usage_ u;
  const std::string base = "/proc/" + std::to_string(pid) + "/task";
  DIR* dir = opendir(base.c_str());
  if (!dir) return u;
  while (dirent* e = readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    const std::string task = base + "/" + e->d_name;
    std::ifstream sched(task + "/schedstat");
    long long ns = 0;
    if (sched >> ns) u.cpuNs += ns;
    std::ifstream status(task + "/status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0) {
        u.vcsw += std::atoll(line.c_str() + std::strlen("voluntary_ctxt_switches:"));
      }
    }
  }
  closedir(dir);
  return u;
}

// CPU time and voluntary context switches over a span of time after the main window's map.
struct Span {
  Span(int from_ms, int length_ms) : from(from_ms), length(length_ms) {}
  int from, length;
  bool started = false, done = false;
  Usage_ start;
  double cpuMs = -1;
  long vcsw = -1;
  void Sample(pid_t pid, double since) {
    if (!started && since >= from) {
      start = ReadUsage(pid);
      started = true;
    }
    if (started && !done && since >= from + length) {
      const Usage_ end = ReadUsage(pid);
      cpuMs = (end.cpuNs - start.cpuNs) / 1e6;
      vcsw = end.vcsw - start.vcsw;
      done = true;
    }
  }
};

// Rss and Pss in KiB from smaps_rollup.
std::pair<long, long> ReadMemory(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
  std::string line;
  long rss = -1, pss = -1;
  while (std::getline(in, line)) {
    if (line.rfind("Rss:", 0) == 0) rss = std::atol(line.c_str() + 4);
    if (line.rfind("Pss:", 0) == 0) pss = std::atol(line.c_str() + 4);
  }
  return {rss, pss};
}

bool IsOverrideRedirect(xcb_connection_t* c, xcb_window_t w) {
  auto* reply = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
  const bool result = reply && reply->override_redirect;
  std::free(reply);
  return result;
}

// Starts xdotool without waiting for it, so that no event's time is taken late meanwhile.
pid_t RunXdotool(const std::string& args) {
  // Separate invocations: chained after windowfocus, xdotool would send the keys as synthetic
  // events to that window, which the toolkit ignores.
  const std::string command = "xdotool " + args;
  const pid_t child = fork();
  if (child == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return child;
}

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char ch : s) out += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
  return out + "'";
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = Parse(argc, argv);

  int screenNumber = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
  if (xcb_connection_has_error(c)) Usage("cannot connect to the X server of $DISPLAY");
  const xcb_setup_t* setup = xcb_get_setup(c);
  auto it = xcb_setup_roots_iterator(setup);
  for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&it);
  const xcb_window_t root = it.data->root;

  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
  const xcb_query_extension_reply_t* damageExt = xcb_get_extension_data(c, &xcb_damage_id);
  if (!damageExt || !damageExt->present) Usage("the X server has no DAMAGE extension");
  auto* version = xcb_damage_query_version_reply(
      c, xcb_damage_query_version(c, XCB_DAMAGE_MAJOR_VERSION, XCB_DAMAGE_MINOR_VERSION), nullptr);
  std::free(version);
  xcb_flush(c);

  const Clock::time_point start = Clock::now();
  const pid_t pid = fork();
  if (pid < 0) Usage("fork failed");
  if (pid == 0) {
    setpgid(0, 0);
    execvp(o.command[0], o.command.data());
    std::perror("quorvella_xwatch: exec");
    _exit(127);
  }

  double firstMap = -1, okToMain = -1;
  long rss = -1, pss = -1;
  int maps = 0;
  xcb_window_t greeting = 0, mainWindow = 0;
  Clock::time_point greetingGone{}, mainMapped{};
  bool memoryTaken = false;
  Span idle{o.afterMap, o.idle};
  Span steady{o.steadyAfter, o.idle};
  std::vector<double> ticks;  // ms since the main window's map
  std::vector<pid_t> helpers;
  const int fd = xcb_get_file_descriptor(c);
  fcntl(fd, F_SETFD, FD_CLOEXEC);
  bool exited = false;
  int status = 0;

  for (;;) {
    const Clock::time_point now = Clock::now();
    if (mainWindow) {
      const double since = Ms(mainMapped, now);
      if (!memoryTaken && since >= o.afterMap) {
        std::tie(rss, pss) = ReadMemory(pid);
        memoryTaken = true;
      }
      idle.Sample(pid, since);
      steady.Sample(pid, since);
      if (idle.done && steady.done && since >= o.clock) break;
    } else if (Ms(start, now) > 30000) {
      std::fprintf(stderr, "quorvella_xwatch: no main window after 30 s (%d windows seen)\n", maps);
      break;
    }
    if (waitpid(pid, &status, WNOHANG) == pid) {
      exited = true;
      std::fprintf(stderr, "quorvella_xwatch: the program ended early (status %d)\n", status);
      break;
    }

    pollfd p{fd, POLLIN, 0};
    poll(&p, 1, 20);
    while (xcb_generic_event_t* ev = xcb_poll_for_event(c)) {
      const Clock::time_point t = Clock::now();
      const uint8_t type = ev->response_type & 0x7f;
      if (type == XCB_MAP_NOTIFY) {
        auto* m = reinterpret_cast<xcb_map_notify_event_t*>(ev);
        if (m->event == root && !m->override_redirect && !IsOverrideRedirect(c, m->window)) {
          ++maps;
          if (maps == 1) {
            firstMap = Ms(start, t);
            helpers.push_back(RunXdotool("windowfocus --sync " + std::to_string(m->window) +
                                         " && xdotool type --delay 0 " + Quote(o.name) +
                                         " && xdotool key Return"));
          } else if (maps == 2) {
            greeting = m->window;
            helpers.push_back(RunXdotool("windowfocus --sync " + std::to_string(m->window) +
                                         " && xdotool key Return"));
          } else if (maps == 3) {
            mainWindow = m->window;
            mainMapped = t;
            okToMain = greetingGone.time_since_epoch().count() ? Ms(greetingGone, t) : -1;
            const xcb_damage_damage_t damage = xcb_generate_id(c);
            xcb_damage_create(c, damage, mainWindow, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
            xcb_flush(c);
          }
        }
      } else if (type == XCB_UNMAP_NOTIFY) {
        auto* u = reinterpret_cast<xcb_unmap_notify_event_t*>(ev);
        if (greeting && u->window == greeting && !greetingGone.time_since_epoch().count()) {
          greetingGone = t;
        }
      } else if (damageExt && type == damageExt->first_event + XCB_DAMAGE_NOTIFY) {
        auto* d = reinterpret_cast<xcb_damage_notify_event_t*>(ev);
        const auto& a = d->area;
        const bool inRegion = a.x < o.region[0] + o.region[2] && a.x + a.width > o.region[0] &&
                              a.y < o.region[1] + o.region[3] && a.y + a.height > o.region[1];
        const double since = Ms(mainMapped, t);
        // One repaint may arrive as several rectangles: they count as one tick.
        if (inRegion && since >= 500 && (ticks.empty() || since - ticks.back() > 100)) {
          ticks.push_back(since);
        }
      }
      std::free(ev);
    }
    if (xcb_connection_has_error(c)) Usage("lost the X server");
  }

  if (!exited) {
    kill(-pid, SIGTERM);
    for (int i = 0; i < 100 && waitpid(pid, &status, WNOHANG) != pid; ++i) usleep(20000);
    kill(-pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  for (pid_t h : helpers) waitpid(h, nullptr, 0);
  xcb_disconnect(c);

  // Drift: the ticks' actual span against the span of as many whole seconds; jitter: the
  // largest distance of a tick from the straight line through the first one.
  double drift = NAN, jitter = NAN;
  if (ticks.size() >= 3) {
    const double n = static_cast<double>(ticks.size() - 1);
    const double interval = (ticks.back() - ticks.front()) / n;
    drift = (interval - 1000.0) * 60.0;
    jitter = 0;
    for (std::size_t i = 0; i < ticks.size(); ++i) {
      jitter = std::max(jitter, std::fabs(ticks[i] - ticks.front() - 1000.0 * i));
    }
  }
  std::printf(
      "first_map_ms=%.1f ok_to_main_ms=%.1f rss_kib=%ld pss_kib=%ld idle_cpu_ms=%.1f "
      "idle_vcsw=%ld steady_cpu_ms=%.1f steady_vcsw=%ld ticks=%zu drift_ms_per_min=%.2f "
      "jitter_ms=%.1f\n",
      firstMap, okToMain, rss, pss, idle.cpuMs, idle.vcsw, steady.cpuMs, steady.vcsw, ticks.size(),
      drift, jitter);
  return mainWindow && idle.done && steady.done ? 0 : 1;
}
