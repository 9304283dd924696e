// Clipboard: the system clipboard as the handwriting window reads it (a tablet's software puts the
// signature there as a picture).
#pragma once

#include <optional>
#include <string>

#include "automation/variant.h"

namespace verolin::platform {

struct ClipboardData {
  std::string format;        // "bitmap" (a picture; bytes in a file format: PNG, BMP, JPEG or GIF) or "text"
  automation::Bytes bytes;   // for "text": UTF-8
};

class Clipboard {
 public:
  Clipboard() = default;
  Clipboard(const Clipboard&) = delete;
  Clipboard& operator=(const Clipboard&) = delete;
  virtual ~Clipboard() = default;

  virtual void clear() = 0;
  virtual void setPicture(automation::Bytes pictureFileBytes) = 0;
  virtual void setText(const std::string& text) = 0;
  // The data in `format`, or with an empty format the best one present (a picture before text);
  // nullopt when the clipboard holds nothing of that kind.
  virtual std::optional<ClipboardData> data(const std::string& format = {}) = 0;
};

}  // namespace verolin::platform
