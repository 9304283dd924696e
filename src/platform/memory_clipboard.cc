#include "platform/standin.h"
#include "text/utf8.h"

namespace verolin::platform {

void MemoryClipboard::clear() {
  formats_.clear();
}

// Like the platform's SetData, putting one format on the clipboard keeps the others; clear() first
// to replace everything.
void MemoryClipboard::setPicture(automation::Bytes pictureFileBytes) {
  formats_["bitmap"] = std::move(pictureFileBytes);
}

void MemoryClipboard::setText(const std::string& text) {
  formats_["text"] = automation::Bytes(text.begin(), text.end());
}

std::optional<ClipboardData> MemoryClipboard::data(const std::string& format) {
  if (format.empty()) {
    for (const char* best : {"bitmap", "text"}) {
      const auto it = formats_.find(best);
      if (it != formats_.end()) return ClipboardData{it->first, it->second};
    }
    return std::nullopt;
  }
  const auto it = formats_.find(text::toLowerAscii(format));
  if (it == formats_.end()) return std::nullopt;
  return ClipboardData{it->first, it->second};
}

}  // namespace verolin::platform
