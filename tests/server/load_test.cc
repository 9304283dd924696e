// Fifty clients at once against the reference server page, each uploading and downloading a document
// of its own and one that all of them share: nothing is lost, torn or given to the wrong document.
#include <atomic>
#include <mutex>
#include <set>
#include <thread>

#include "server_fixture.h"

namespace verolin::server::testing {
namespace {

constexpr int kClients = 50;
constexpr int kRounds = 3;

std::string bodyOf(const std::string& who, int round) {
  // Sizes differ, so that a version torn from two uploads could not pass for either.
  return container(who + " round " + std::to_string(round) + " " + std::string(2000 + round * 700, 'x'));
}

std::string uploadQuery(const std::string& path, const std::string& sealName) {
  return "Dn=" + wire(sealName + "§") + "&Dt=t" + wire("§") + "&Di=1" + wire("§") +
         "&Sn=&St=&Si=&linkstr=&splitstr=" + wire("§") + "&savetype=1&RequestType=UPLOAD&path=" + path;
}

TEST_F(ServerTest, FiftyClientsUploadingAndDownloadingLoseAndMixNothing) {
  std::set<std::string> sharedSent;
  for (int i = 0; i < kClients; ++i) {
    for (int r = 0; r < kRounds; ++r) sharedSent.insert(bodyOf("shared by " + std::to_string(i), r));
  }
  std::atomic<int> operations{0};
  std::atomic<int> failures{0};
  std::mutex faultsMutex;
  std::vector<std::string> faults;
  auto fault = [&](const std::string& what) {
    std::lock_guard lock(faultsMutex);
    faults.push_back(what);
  };

  std::vector<std::thread> clients;
  for (int i = 0; i < kClients; ++i) {
    clients.emplace_back([&, i] {
      httplib::Client client("127.0.0.1", server_->port());
      client.set_read_timeout(60, 0);
      const std::string who = std::to_string(i);
      const std::string own = "doc" + who + ".jia";
      for (int r = 0; r < kRounds; ++r) {
        auto up = client.Post(("/page?" + uploadQuery(own, who)).c_str(), bodyOf(who, r),
                              "application/octet-stream");
        auto shared = client.Post(("/page?" + uploadQuery("shared.jia", who)).c_str(),
                                  bodyOf("shared by " + who, r), "application/octet-stream");
        auto back = client.Get(("/page?filetype=1&RequestType=DOWN&filename=" + own).c_str());
        auto sharedBack = client.Get("/page?filetype=1&RequestType=DOWN&filename=shared.jia");
        operations += 4;
        if (!up || up->status != 200 || !shared || shared->status != 200) {
          ++failures;
          fault("upload: " + (up ? std::to_string(up->status) : httplib::to_string(up.error())) + " " +
                (shared ? std::to_string(shared->status) : httplib::to_string(shared.error())));
        }
        // Its own document is what it stored last; the shared one is one whole upload of someone's.
        if (!back || back->body != bodyOf(who, r)) fault(own + " round " + std::to_string(r));
        if (!sharedBack || !sharedSent.count(sharedBack->body)) fault("shared.jia read by " + who);
      }
    });
  }
  for (auto& c : clients) c.join();

  EXPECT_EQ(operations, kClients * kRounds * 4);
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(faults, std::vector<std::string>{});
  for (int i = 0; i < kClients; ++i) {
    const std::string who = std::to_string(i);
    EXPECT_EQ(down("doc" + who + ".jia")->body, bodyOf(who, kRounds - 1));
    // Every mark uploaded with the document is listed with it, and only those.
    EXPECT_EQ(lists("doc" + who + ".jia", "GetSignInfoData").groups[0],
              std::vector<std::string>(kRounds, who));
  }
  EXPECT_TRUE(sharedSent.count(down("shared.jia")->body));
  EXPECT_EQ(lists("shared.jia", "GetSignInfoData").groups[0].size(),
            static_cast<std::size_t>(kClients * kRounds));
  EXPECT_EQ(data_.filesIn("store/staging"), 0u);
}

}  // namespace
}  // namespace verolin::server::testing
