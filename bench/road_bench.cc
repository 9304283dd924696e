// The control's share of the document road, without the process around it: the control's download
// of a stored document (fetch, decryption into the working folder, the two list requests) against a
// raw libcurl GET of the same container from the same server page into a file, in interleaved pairs
// in one process, each output forced to the disk inside the timing. Prints one row of bench/run.sh's
// table: medians (min-max), the ratio pair by pair, and the growth of the peak resident memory that
// each side causes.
//
//   road_bench PAGE_URL NAME.jia [PAIRS [upload]]  (a server page such as `verolin serve` holding NAME.jia)
//
// With "upload", a second row: the control's upload of the same document (the container enciphered
// from the plain file as it is posted) against a raw libcurl POST of the container's bytes from a file.
#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "control/apartment.h"
#include "control/control.h"
#include "crypto/container_source.h"
#include "platform/curl_http.h"
#include "platform/standin.h"
#include "transfer/exchange.h"
#include "transfer/transfer.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void syncFile(const fs::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY);
  if (fd < 0 || ::fsync(fd) != 0) {
    std::fprintf(stderr, "road_bench: cannot sync %s\n", file.c_str());
    std::exit(1);
  }
  ::close(fd);
}

// Resident memory figures of this process in KiB, from /proc ("VmHWM" is the peak since the last reset).
long statusKib(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string key = std::string(field) + ":";
  while (std::getline(status, line)) {
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + key.size());
  }
  return 0;
}

// Resets the peak to the present resident size, so that the next peak is one side's alone.
void resetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

struct Side {
  double seconds = 0;
  double growthMib = 0;  // peak resident memory above what the process held before
};

template <class Work>
Side measure(Work&& work) {
  resetPeak();
  const long before = statusKib("VmRSS");
  const auto start = Clock::now();
  work();
  Side side;
  side.seconds = secondsSince(start);
  side.growthMib = static_cast<double>(std::max(0L, statusKib("VmHWM") - before)) / 1024.0;
  return side;
}

class UploadBody final : public verolin::platform::BodySource {
 public:
  explicit UploadBody(verolin::crypto::ContainerSource& source) : source_(source) {}
  std::uint64_t size() const override { return source_.size(); }
  std::size_t read(char* buffer, std::size_t capacity) override { return source_.read(buffer, capacity); }
  void rewind() override { source_.rewind(); }

 private:
  verolin::crypto::ContainerSource& source_;
};

// The control on the stand-in platform with the real request object, in a fresh drive folder.
Side controlDownload(const fs::path& root, const std::string& page, const std::string& name) {
  fs::remove_all(root);
  verolin::platform::StandInPlatform platform(root);
  platform.http = verolin::platform::makeCurlHttpFactory();
  verolin::control::Apartment apartment(platform.platform());
  verolin::control::Control control(apartment);
  ::sync();
  std::string path;
  const Side side = measure([&] {
    path = verolin::transfer::DownloadDocument(control, "1", page, name);
    if (path.empty()) {
      std::fprintf(stderr, "road_bench: the control's download of %s failed\n", name.c_str());
      std::exit(1);
    }
    syncFile(platform.files.nativePath(path));
  });
  return side;
}

// The control's share of an upload: the container enciphered from the plain file as it is posted
// (what UploadDocument does once the word processor has saved the document).
Side controlUpload(verolin::control::Control& control, const fs::path& plain, const std::string& url) {
  return measure([&] {
    verolin::crypto::ContainerSource source(plain);
    UploadBody body(source);
    const auto answer = verolin::transfer::PostDocument(control, url, "", body, "");
    if (!answer.ok) {
      std::fprintf(stderr, "road_bench: the control's upload failed\n");
      std::exit(1);
    }
  });
}

size_t readFromFd(char* buffer, size_t size, size_t count, void* fd) {
  const ssize_t n = ::read(*static_cast<int*>(fd), buffer, size * count);
  return n < 0 ? CURL_READFUNC_ABORT : static_cast<size_t>(n);
}

// A raw libcurl POST of the container's bytes from a file, as `curl --data-binary @file` sends them.
Side rawPost(const fs::path& container, const std::string& url) {
  return measure([&] {
    int fd = ::open(container.c_str(), O_RDONLY);
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(fs::file_size(container)));
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, readFromFd);
    curl_easy_setopt(curl, CURLOPT_READDATA, &fd);
    curl_easy_setopt(
        curl, CURLOPT_WRITEFUNCTION, +[](char*, size_t size, size_t count, void*) { return size * count; });
    curl_slist* headers = curl_slist_append(nullptr, "Expect:");
    headers = curl_slist_append(headers, "Content-Type:");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    long status = 0;
    if (fd < 0 || curl_easy_perform(curl) != CURLE_OK ||
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status != 200) {
      std::fprintf(stderr, "road_bench: POST %s failed\n", url.c_str());
      std::exit(1);
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    ::close(fd);
  });
}

size_t writeToFd(char* data, size_t size, size_t count, void* fd) {
  const size_t bytes = size * count;
  size_t done = 0;
  while (done < bytes) {
    const ssize_t n = ::write(*static_cast<int*>(fd), data + done, bytes - done);
    if (n <= 0) return 0;
    done += static_cast<size_t>(n);
  }
  return bytes;
}

Side rawGet(const fs::path& file, const std::string& url) {
  fs::remove(file);
  ::sync();
  return measure([&] {
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeToFd);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &fd);
    long status = 0;
    if (fd < 0 || curl_easy_perform(curl) != CURLE_OK ||
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status != 200) {
      std::fprintf(stderr, "road_bench: GET %s failed\n", url.c_str());
      std::exit(1);
    }
    curl_easy_cleanup(curl);
    ::fsync(fd);
    ::close(fd);
  });
}

struct Spread {
  double min, median, max;
};

Spread spread(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return {v.front(), n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2, v.back()};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: road_bench PAGE_URL NAME.jia [PAIRS]\n", stderr);
    return 2;
  }
  const std::string page = argv[1];
  const std::string name = argv[2];
  const int pairs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 7;
  // "upload" as the fourth argument: also the control's upload of the same document against a raw POST.
  const bool upload = argc > 4 && std::string(argv[4]) == "upload";
  curl_global_init(CURL_GLOBAL_DEFAULT);
  const fs::path work = fs::temp_directory_path() / ("road-bench-" + std::to_string(::getpid()));
  fs::create_directories(work);
  const std::string url = page + "?filetype=1&RequestType=DOWN&filename=" + name;

  std::vector<double> a, b, ratio, growthA, growthB;
  for (int i = 0; i <= pairs; ++i) {
    // Each side goes first in half of the pairs, so that neither always pays for the other's leftovers.
    Side control, raw;
    if (i % 2 == 0) {
      control = controlDownload(work / "root", page, name);
      raw = rawGet(work / "raw.jia", url);
    } else {
      raw = rawGet(work / "raw.jia", url);
      control = controlDownload(work / "root", page, name);
    }
    if (i == 0) continue;  // warm-up pair
    a.push_back(control.seconds * 1000);
    b.push_back(raw.seconds * 1000);
    ratio.push_back(control.seconds / raw.seconds);
    growthA.push_back(control.growthMib);
    growthB.push_back(raw.growthMib);
  }
  const Spread sa = spread(a), sb = spread(b), sr = spread(ratio), ga = spread(growthA), gb = spread(growthB);
  std::printf(
      "| download %s, in process | %.0f ms (%.0f–%.0f) | %.0f ms (%.0f–%.0f) | **%.2f× (%.2f–%.2f)** | "
      "– | +%.1f MiB | +%.1f MiB |\n",
      name.c_str(), sa.median, sa.min, sa.max, sb.median, sb.min, sb.max, sr.median, sr.min, sr.max, ga.max,
      gb.max);
  std::fflush(stdout);

  if (upload) {
    // The same document back up: the plain file the control decrypted, against the container's bytes.
    const fs::path plainDoc = work / "doc.doc";
    verolin::crypto::decryptFile(work / "raw.jia", plainDoc);
    const std::string target = page + "?Dn=&Dt=&Di=&Sn=&St=&Si=&savetype=1&RequestType=UPLOAD&path=" + name;
    verolin::platform::StandInPlatform platform(work / "up");
    platform.http = verolin::platform::makeCurlHttpFactory();
    verolin::control::Apartment apartment(platform.platform());
    verolin::control::Control control(apartment);
    a.clear(), b.clear(), ratio.clear(), growthA.clear(), growthB.clear();
    for (int i = 0; i <= pairs; ++i) {
      Side ours, raw;
      if (i % 2 == 0) {
        ours = controlUpload(control, plainDoc, target);
        raw = rawPost(work / "raw.jia", target);
      } else {
        raw = rawPost(work / "raw.jia", target);
        ours = controlUpload(control, plainDoc, target);
      }
      if (i == 0) continue;
      a.push_back(ours.seconds * 1000);
      b.push_back(raw.seconds * 1000);
      ratio.push_back(ours.seconds / raw.seconds);
      growthA.push_back(ours.growthMib);
      growthB.push_back(raw.growthMib);
    }
    const Spread ua = spread(a), ub = spread(b), ur = spread(ratio), gua = spread(growthA),
                 gub = spread(growthB);
    std::printf(
        "| upload %s, in process (curl POST of the container) | %.0f ms (%.0f–%.0f) | %.0f ms (%.0f–%.0f) | "
        "**%.2f× (%.2f–%.2f)** | – | +%.1f MiB | +%.1f MiB |\n",
        name.c_str(), ua.median, ua.min, ua.max, ub.median, ub.min, ub.max, ur.median, ur.min, ur.max,
        gua.max, gub.max);
  }
  fs::remove_all(work);
  curl_global_cleanup();
  return 0;
}
