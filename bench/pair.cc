// Times a command against its reference in interleaved pairs (A B, B A, A B ...) and prints one row of a
// Markdown table: each side's median wall time (min-max), the ratio A/B pair by pair (median, min-max),
// the same ratio of CPU time (user and system, which a busy machine disturbs far less than the wall
// time) and each side's peak resident memory. Pairs, not separate series, so that a machine whose speed
// drifts during the run moves both sides of a pair alike.
//
//   pair [-n PAIRS] [--warmup N] [--before CMD] [--rate] [--stop-b-at F] LABEL 'COMMAND A' 'COMMAND B'
//
// Commands run under /bin/sh -c, their output (both streams) thrown away. --before runs before each timed
// command, outside the timing (removing the previous output, say). With --rate each command prints a number
// on its last line of output (requests per second, say) and that number is the figure instead of the
// wall time; the ratio is still A/B, so above 1 means A is faster there. With --stop-b-at F, A runs first in
// every pair and B is stopped (its whole process group) once it has taken F times A's wall time: a
// reference that takes an hour need not be waited for to show that A is under a tenth of it. A stopped run
// counts as that time, and the row says so ("≥" on B, "≤" on the ratios, "B stopped").
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Run {
  double figure = 0;   // seconds, or the printed number with --rate
  double cpu = 0;      // user and system seconds of the command and its children
  double peakMib = 0;  // largest resident set of the command and its children
  int status = 0;
  bool stopped = false;  // cut off at the limit
};

struct Options {
  int pairs = 7;
  int warmup = 1;
  std::string before;
  bool rate = false;
  double stopBAt = 0;  // times A's wall time; 0: B runs to its end
  std::string label;
  std::string a;
  std::string b;
};

[[noreturn]] void usage() {
  std::fputs(
      "usage: pair [-n PAIRS] [--warmup N] [--before CMD] [--rate] [--stop-b-at F] LABEL 'COMMAND A' "
      "'COMMAND B'\n",
      stderr);
  std::exit(2);
}

Options parse(int argc, char** argv) {
  Options o;
  std::vector<std::string> rest;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = [&] {
      if (i + 1 >= argc) usage();
      return std::string(argv[++i]);
    };
    if (arg == "-n") {
      o.pairs = std::max(1, std::atoi(value().c_str()));
    } else if (arg == "--warmup") {
      o.warmup = std::max(0, std::atoi(value().c_str()));
    } else if (arg == "--before") {
      o.before = value();
    } else if (arg == "--rate") {
      o.rate = true;
    } else if (arg == "--stop-b-at") {
      o.stopBAt = std::atof(value().c_str());
      if (o.stopBAt <= 0) usage();
    } else {
      rest.push_back(arg);
    }
  }
  if (rest.size() != 3) usage();
  o.label = rest[0];
  o.a = rest[1];
  o.b = rest[2];
  return o;
}

volatile std::sig_atomic_t stopFired = 0;
volatile pid_t stopTarget = 0;

void stopOnAlarm(int) {
  stopFired = 1;
  ::kill(-stopTarget, SIGKILL);
}

// Runs `command` under the shell; its standard output goes to `out` (or nowhere when -1). With a limit
// (seconds), the command and everything it started are killed once it has run that long.
Run runShell(const std::string& command, int out, double limit = 0) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child < 0) {
    std::perror("fork");
    std::exit(1);
  }
  if (child == 0) {
    ::setpgid(0, 0);  // its own group, so that a stop reaches the programs it started too
    const int nothing = ::open("/dev/null", O_RDWR);
    ::dup2(out >= 0 ? out : nothing, STDOUT_FILENO);
    ::dup2(nothing, STDERR_FILENO);
    ::dup2(nothing, STDIN_FILENO);
    ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::setpgid(child, child);
  int status = 0;
  rusage usage{};
  stopTarget = child;
  stopFired = 0;
  if (limit > 0) {
    // The alarm's handler stops the group; wait4 itself stays a blocking wait, exact to the end.
    itimerval timer{};
    timer.it_value.tv_sec = static_cast<time_t>(limit);
    timer.it_value.tv_usec =
        static_cast<suseconds_t>((limit - static_cast<double>(timer.it_value.tv_sec)) * 1e6);
    if (timer.it_value.tv_sec == 0 && timer.it_value.tv_usec == 0) timer.it_value.tv_usec = 1;
    ::setitimer(ITIMER_REAL, &timer, nullptr);
  }
  while (::wait4(child, &status, 0, &usage) < 0) {
    if (errno != EINTR) {
      std::perror("wait4");
      std::exit(1);
    }
  }
  if (limit > 0) {
    const itimerval off{};
    ::setitimer(ITIMER_REAL, &off, nullptr);
  }
  const bool stopped = stopFired != 0;
  if (stopped) ::kill(-child, SIGKILL);  // what the shell's children left behind
  Run run;
  run.stopped = stopped;
  run.figure = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.peakMib = static_cast<double>(usage.ru_maxrss) / 1024.0;
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  run.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

Run timed(const Options& o, const std::string& command, double limit = 0) {
  if (!o.before.empty()) runShell(o.before, -1);
  if (!o.rate) return runShell(command, -1, limit);
  char name[] = "/tmp/pair-output-XXXXXX";
  const int out = ::mkstemp(name);
  ::unlink(name);
  Run run = runShell(command, out);
  std::string text;
  char chunk[4096];
  ::lseek(out, 0, SEEK_SET);
  for (ssize_t got; (got = ::read(out, chunk, sizeof chunk)) > 0;)
    text.append(chunk, static_cast<std::size_t>(got));
  ::close(out);
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  const std::size_t line = text.rfind('\n');
  run.figure = std::atof(text.c_str() + (line == std::string::npos ? 0 : line + 1));
  return run;
}

struct Spread {
  double min = 0;
  double median = 0;
  double max = 0;
};

Spread spread(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  const double median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  return {values.front(), median, values.back()};
}

std::string show(const Spread& s, bool rate, const char* format) {
  char buffer[128];
  const double scale = rate ? 1 : 1000;  // wall times in milliseconds
  std::snprintf(buffer, sizeof buffer, format, s.median * scale, s.min * scale, s.max * scale);
  return buffer;
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = parse(argc, argv);
  struct sigaction alarm {};
  alarm.sa_handler = stopOnAlarm;
  ::sigaction(SIGALRM, &alarm, nullptr);  // no SA_RESTART: the wait returns to look
  for (int i = 0; i < o.warmup; ++i) {
    timed(o, o.a);
    timed(o, o.b);
  }
  std::vector<double> a, b, ratio, cpuRatio, peakA, peakB;
  int failures = 0;
  int stops = 0;
  for (int i = 0; i < o.pairs; ++i) {
    // A B, then B A: whichever runs second in a pair may pay for what the first left (freed blocks,
    // a journal commit), so each side goes first in half of the pairs.
    Run ra, rb;
    if (o.stopBAt > 0) {
      ra = timed(o, o.a);
      rb = timed(o, o.b, ra.figure * o.stopBAt);
    } else if (i % 2 == 0) {
      ra = timed(o, o.a);
      rb = timed(o, o.b);
    } else {
      rb = timed(o, o.b);
      ra = timed(o, o.a);
    }
    if (rb.stopped) {
      ++stops;
      rb.figure = ra.figure * o.stopBAt;
      rb.status = 0;
    }
    if (ra.status != 0 || rb.status != 0) {
      ++failures;
      std::fprintf(stderr, "pair %s: a run ended with status %d / %d\n", o.label.c_str(), ra.status,
                   rb.status);
    }
    a.push_back(ra.figure);
    b.push_back(rb.figure);
    ratio.push_back(rb.figure > 0 ? ra.figure / rb.figure : 0);
    cpuRatio.push_back(rb.cpu > 0 ? ra.cpu / rb.cpu : 0);
    peakA.push_back(ra.peakMib);
    peakB.push_back(rb.peakMib);
  }
  const char* figure = o.rate ? "%.0f (%.0f–%.0f)" : "%.0f ms (%.0f–%.0f)";
  // With --rate the commands are load clients, whose CPU time says nothing about the servers.
  const std::string cpu = o.rate || stops > 0 ? "–" : show(spread(cpuRatio), true, "%.2f× (%.2f–%.2f)");
  const char* ratioFormat = spread(ratio).median < 0.1 ? "%.3f× (%.3f–%.3f)" : "%.2f× (%.2f–%.2f)";
  // A stopped B ran at least that long; what its killed programs used is not reported to a wait, so
  // its CPU time and memory are left out.
  const std::string atLeast = stops > 0 ? "≥ " : "", atMost = stops > 0 ? "≤ " : "";
  const std::string peakOfB = stops > 0 ? "–" : show(spread(peakB), true, "%.1f MiB");
  std::printf(
      "| %s | %s | %s%s | **%s%s** | %s | %s | %s |%s%s\n", o.label.c_str(),
      show(spread(a), o.rate, figure).c_str(), atLeast.c_str(), show(spread(b), o.rate, figure).c_str(),
      atMost.c_str(), show(spread(ratio), true, ratioFormat).c_str(), cpu.c_str(),
      show(spread(peakA), true, "%.1f MiB").c_str(), peakOfB.c_str(), failures > 0 ? " failed runs!" : "",
      stops > 0 ? (" B stopped in " + std::to_string(stops) + " of " + std::to_string(o.pairs) +
                   " pairs at " + std::to_string(static_cast<int>(o.stopBAt)) + "× A's time")
                      .c_str()
                : "");
  return failures > 0 ? 1 : 0;
}
