// The document's characters, stored compactly: blocks of a few thousand characters, each kept as its
// UTF-8 bytes with runs of formats and the few values marks and pictures carry, about 1 to 3 bytes a
// character instead of a structure each. The blocks in use are held open as structures, so reading
// along the text, and editing at one place, decode each block once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <utility>
#include <vector>

namespace verolin::wordproc {

struct Char {
  char32_t cp = 0;
  std::uint32_t format = 0;  // index into the character formats
  std::uint32_t extra = 0;   // a mark's paragraph format index; a picture character's picture id
};

class TextStore {
 public:
  TextStore() = default;
  TextStore(const TextStore& other);
  TextStore& operator=(const TextStore& other);
  TextStore(TextStore&&) noexcept = default;
  TextStore& operator=(TextStore&&) noexcept = default;

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // The character at i (i < size()).
  Char get(std::size_t i) const;
  void set(std::size_t i, Char c);
  Char back() const { return get(size_ - 1); }
  void push_back(Char c);
  void pop_back() { erase(size_ - 1, size_); }
  // Inserts n characters before position pos (pos <= size()).
  void insert(std::size_t pos, const Char* chars, std::size_t n);
  // Removes [start, end).
  void erase(std::size_t start, std::size_t end);
  // The bytes the stored characters take (the blocks held open stored first), for measuring.
  std::size_t storedBytes() const;

 private:
  static constexpr std::size_t kBlock = 4096;  // characters a block is cut to
  static constexpr std::size_t kOpenBlocks = 4;

  struct Block {
    std::size_t start = 0;  // the position of its first character
    std::size_t count = 0;
    std::string utf8;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> formats;  // (offset, format) where it changes
    std::vector<std::pair<std::uint32_t, std::uint32_t>> extras;   // (offset, extra) where not 0
  };
  struct Open {
    std::size_t block;
    std::vector<Char> chars;
    bool changed = false;
  };

  std::size_t blockOf(std::size_t pos) const;
  // The open form of block b, opening it (and closing the least used one) when it is not.
  std::vector<Char>& open(std::size_t b, bool changing) const;
  void close(Open& o) const;
  void closeAll() const;
  static void encode(const std::vector<Char>& chars, Block& b);
  static std::vector<Char> decode(const Block& b);
  // After the open block b changed length by delta: the starts of the blocks after it.
  void shiftAfter(std::size_t b, std::ptrdiff_t delta);
  // Cuts blocks that grew long and drops empty ones (everything closed first).
  void rebalance();

  mutable std::vector<Block> blocks_;
  mutable std::list<Open> open_;  // most recently used first
  std::size_t size_ = 0;
};

}  // namespace verolin::wordproc
