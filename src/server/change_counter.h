// How a process learns, without asking the database, that another process (or another thread)
// changed the stored documents: a counter in a small file of the data folder, mapped into every
// process that opens the store, which each writer advances after its commit.
#pragma once

#include <cstdint>
#include <filesystem>

namespace verolin::server {

inline constexpr const char* kChangeCounterName = "documents.changes";

class ChangeCounter {
 public:
  // Maps `file`, creating it when missing. Throws StoreError when it cannot be opened or mapped (a
  // process that could not advance it would leave other processes serving what it replaced).
  explicit ChangeCounter(const std::filesystem::path& file);
  ~ChangeCounter();
  ChangeCounter(const ChangeCounter&) = delete;
  ChangeCounter& operator=(const ChangeCounter&) = delete;

  // The current count; it differs from an earlier reading once any process has advanced it since.
  std::uint64_t value() const;
  // After a commit that changed documents.
  void advance();

 private:
  std::uint64_t* counter_ = nullptr;
};

}  // namespace verolin::server
