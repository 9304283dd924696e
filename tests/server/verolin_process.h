// The built `verolin` program as a child process, for tests that send it signals or need a second
// process; its output goes to files the test can read.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace verolin::server::testing {

// The program under test, or empty when it is not built (ctest passes its path).
inline std::string verolinProgram() {
  const char* binary = std::getenv("VEROLIN_BINARY");
  return binary && std::filesystem::exists(binary) ? binary : "";
}

class VerolinProcess {
 public:
  VerolinProcess(const std::vector<std::string>& args, const std::filesystem::path& outputs) {
    static int counter = 0;
    const std::string stem = "run" + std::to_string(counter++);
    out_ = outputs / (stem + ".out");
    err_ = outputs / (stem + ".err");
    std::filesystem::create_directories(outputs);
    std::vector<std::string> all{verolinProgram()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      const int out = ::open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err = ::open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(out, 1);
      ::dup2(err, 2);
      // The test runner may have signals blocked in this thread; the program must start clean.
      sigset_t none;
      sigemptyset(&none);
      ::sigprocmask(SIG_SETMASK, &none, nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
  }
  ~VerolinProcess() {
    if (running()) {
      ::kill(pid_, SIGKILL);
      wait(std::chrono::seconds(5));
    }
  }
  VerolinProcess(const VerolinProcess&) = delete;
  VerolinProcess& operator=(const VerolinProcess&) = delete;

  pid_t pid() const { return pid_; }
  std::string out() const { return read(out_); }
  std::string err() const { return read(err_); }

  // The port of `verolin serve`'s first line ("serving http://127.0.0.1:PORT/page ..."); 0 when it
  // does not come within `limit`.
  int waitForPort(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
      const std::string text = out();
      const auto at = text.find("127.0.0.1:");
      if (at != std::string::npos && text.find('\n', at) != std::string::npos) {
        return std::atoi(text.c_str() + at + 10);
      }
      if (!running()) return 0;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
  }

  void signal(int number) const { ::kill(pid_, number); }

  bool running() {
    if (status_) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return false;
    }
    return true;
  }

  // The exit code (128 + the signal when killed by one), or nothing while it is still running.
  std::optional<int> wait(std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (running() && std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return status_;
  }

 private:
  static std::string read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  pid_t pid_ = -1;
  std::optional<int> status_;
  std::filesystem::path out_;
  std::filesystem::path err_;
};

}  // namespace verolin::server::testing
