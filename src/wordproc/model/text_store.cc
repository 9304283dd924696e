#include "wordproc/model/text_store.h"

#include <algorithm>
#include <stdexcept>

namespace verolin::wordproc {

namespace {

// UTF-8 of any value below 0x110000, surrogates included: the store gives back what it was given.
void put(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | ((c >> 18) & 0x07));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

char32_t take(const std::string& in, std::size_t& i) {
  const auto b = static_cast<unsigned char>(in[i++]);
  if (b < 0x80) return b;
  int more = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
  char32_t c = b & (0x3F >> more);
  while (more-- > 0) c = (c << 6) | (static_cast<unsigned char>(in[i++]) & 0x3F);
  return c;
}

}  // namespace

TextStore::TextStore(const TextStore& other) : size_(other.size_) {
  other.closeAll();
  blocks_ = other.blocks_;
}

TextStore& TextStore::operator=(const TextStore& other) {
  if (this != &other) {
    other.closeAll();
    open_.clear();
    blocks_ = other.blocks_;
    size_ = other.size_;
  }
  return *this;
}

void TextStore::encode(const std::vector<Char>& chars, Block& b) {
  b.count = chars.size();
  b.utf8.clear();
  b.formats.clear();
  b.extras.clear();
  for (std::size_t k = 0; k < chars.size(); ++k) {
    const Char& c = chars[k];
    put(b.utf8, c.cp);
    if (b.formats.empty() || b.formats.back().second != c.format) {
      b.formats.emplace_back(static_cast<std::uint32_t>(k), c.format);
    }
    if (c.extra != 0) b.extras.emplace_back(static_cast<std::uint32_t>(k), c.extra);
  }
  b.utf8.shrink_to_fit();
  b.formats.shrink_to_fit();
  b.extras.shrink_to_fit();
}

std::vector<Char> TextStore::decode(const Block& b) {
  std::vector<Char> chars;
  chars.reserve(b.count);
  std::size_t i = 0;
  auto format = b.formats.begin();
  auto extra = b.extras.begin();
  std::uint32_t current = 0;
  for (std::uint32_t k = 0; k < b.count; ++k) {
    if (format != b.formats.end() && format->first == k) current = (format++)->second;
    Char c{take(b.utf8, i), current, 0};
    if (extra != b.extras.end() && extra->first == k) c.extra = (extra++)->second;
    chars.push_back(c);
  }
  return chars;
}

std::size_t TextStore::blockOf(std::size_t pos) const {
  if (!open_.empty()) {
    const Block& b = blocks_[open_.front().block];
    if (pos >= b.start && pos < b.start + b.count) return open_.front().block;
  }
  // The last block that starts at or before pos (empty blocks share their start with the next one).
  auto it = std::upper_bound(blocks_.begin(), blocks_.end(), pos,
                             [](std::size_t p, const Block& b) { return p < b.start; });
  return static_cast<std::size_t>(it - blocks_.begin()) - 1;
}

std::vector<Char>& TextStore::open(std::size_t b, bool changing) const {
  for (auto it = open_.begin(); it != open_.end(); ++it) {
    if (it->block == b) {
      if (it != open_.begin()) open_.splice(open_.begin(), open_, it);
      open_.front().changed |= changing;
      return open_.front().chars;
    }
  }
  if (open_.size() >= kOpenBlocks) {
    close(open_.back());
    open_.pop_back();
  }
  open_.push_front(Open{b, decode(blocks_[b]), changing});
  return open_.front().chars;
}

void TextStore::close(Open& o) const {
  if (o.changed) encode(o.chars, blocks_[o.block]);
  o.changed = false;
}

void TextStore::closeAll() const {
  for (Open& o : open_) close(o);
  open_.clear();
}

void TextStore::shiftAfter(std::size_t b, std::ptrdiff_t delta) {
  for (std::size_t k = b + 1; k < blocks_.size(); ++k) {
    blocks_[k].start = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(blocks_[k].start) + delta);
  }
}

void TextStore::rebalance() {
  closeAll();
  std::vector<Block> blocks;
  std::size_t start = 0;
  for (Block& b : blocks_) {
    if (b.count == 0) continue;
    if (b.count <= 2 * kBlock) {
      b.start = start;
      start += b.count;
      blocks.push_back(std::move(b));
      continue;
    }
    const std::vector<Char> chars = decode(b);
    for (std::size_t k = 0; k < chars.size(); k += kBlock) {
      Block piece;
      piece.start = start;
      encode(
          std::vector<Char>(chars.begin() + static_cast<std::ptrdiff_t>(k),
                            chars.begin() + static_cast<std::ptrdiff_t>(std::min(chars.size(), k + kBlock))),
          piece);
      start += piece.count;
      blocks.push_back(std::move(piece));
    }
  }
  blocks_ = std::move(blocks);
}

std::size_t TextStore::storedBytes() const {
  closeAll();
  std::size_t n = 0;
  for (const Block& b : blocks_) n += b.utf8.size() + (b.formats.size() + b.extras.size()) * 8;
  return n;
}

Char TextStore::get(std::size_t i) const {
  if (i >= size_) throw std::out_of_range("TextStore::get");
  // Reading along the text stays in the block used last: answered without a search.
  if (!open_.empty()) {
    const Open& front = open_.front();
    const Block& fb = blocks_[front.block];
    if (i - fb.start < fb.count) return front.chars[i - fb.start];
  }
  const std::size_t b = blockOf(i);
  return open(b, false)[i - blocks_[b].start];
}

void TextStore::set(std::size_t i, Char c) {
  if (i >= size_) throw std::out_of_range("TextStore::set");
  const std::size_t b = blockOf(i);
  open(b, true)[i - blocks_[b].start] = c;
}

void TextStore::push_back(Char c) {
  if (blocks_.empty() || blocks_.back().count >= kBlock) {
    Block b;
    b.start = size_;
    blocks_.push_back(std::move(b));
  }
  const std::size_t b = blocks_.size() - 1;
  open(b, true).push_back(c);
  ++blocks_[b].count;
  ++size_;
}

void TextStore::insert(std::size_t pos, const Char* chars, std::size_t n) {
  if (n == 0) return;
  if (pos > size_) throw std::out_of_range("TextStore::insert");
  if (blocks_.empty()) blocks_.push_back(Block{});
  const std::size_t b = pos == size_ ? blocks_.size() - 1 : blockOf(pos);
  std::vector<Char>& v = open(b, true);
  v.insert(v.begin() + static_cast<std::ptrdiff_t>(pos - blocks_[b].start), chars, chars + n);
  blocks_[b].count += n;
  shiftAfter(b, static_cast<std::ptrdiff_t>(n));
  size_ += n;
  if (blocks_[b].count > 4 * kBlock) rebalance();
}

void TextStore::erase(std::size_t start, std::size_t end) {
  end = std::min(end, size_);
  bool emptied = false;
  while (start < end) {
    const std::size_t b = blockOf(start);
    std::vector<Char>& v = open(b, true);
    const std::size_t offset = start - blocks_[b].start;
    const std::size_t n = std::min(end - start, blocks_[b].count - offset);
    v.erase(v.begin() + static_cast<std::ptrdiff_t>(offset),
            v.begin() + static_cast<std::ptrdiff_t>(offset + n));
    blocks_[b].count -= n;
    emptied |= blocks_[b].count == 0;
    shiftAfter(b, -static_cast<std::ptrdiff_t>(n));
    size_ -= n;
    end -= n;
  }
  if (emptied) rebalance();
}

}  // namespace verolin::wordproc
