// The system clipboard. A picture goes on it as a device-independent bitmap (what other programs
// paste), as an enhanced metafile, and in its own file format under that format's registered name,
// so that reading it back gives the very bytes that were put there. Text is Unicode text.
#include <ole2.h>
#include <olectl.h>
#include <windows.h>

#include <cstring>

#include "platform/picture_info.h"
#include "platform/win32/dialog_template.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_platform.h"
#include "text/utf8.h"

namespace verolin::platform::win32 {
namespace {

constexpr wchar_t kOwnerClass[] = L"VerolinClipboardOwner";
constexpr std::size_t kFileHeaderSize = 14;  // BITMAPFILEHEADER, which CF_DIB leaves out

// The registered clipboard format names of picture files, as other programs use them.
const wchar_t* formatName(PictureKind kind) {
  switch (kind) {
    case PictureKind::Png:
      return L"PNG";
    case PictureKind::Jpeg:
      return L"JFIF";
    case PictureKind::Gif:
      return L"GIF";
    case PictureKind::Bmp:
      break;
  }
  return nullptr;
}

HGLOBAL globalOf(const void* data, std::size_t size) {
  const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, size);
  if (!memory) return nullptr;
  if (void* target = ::GlobalLock(memory)) {
    std::memcpy(target, data, size);
    ::GlobalUnlock(memory);
    return memory;
  }
  ::GlobalFree(memory);
  return nullptr;
}

automation::Bytes bytesOf(HANDLE memory) {
  automation::Bytes out;
  if (!memory) return out;
  const auto* data = static_cast<const std::uint8_t*>(::GlobalLock(memory));
  if (!data) return out;
  out.assign(data, data + ::GlobalSize(memory));
  ::GlobalUnlock(memory);
  return out;
}

// A 24-bit bottom-up DIB (header and pixels) of `bitmap`.
automation::Bytes dibOf(HBITMAP bitmap) {
  BITMAP info{};
  if (!::GetObjectW(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return {};
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = info.bmWidth;
  header.biHeight = info.bmHeight;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const std::size_t stride = (static_cast<std::size_t>(info.bmWidth) * 3 + 3) & ~std::size_t{3};
  header.biSizeImage = static_cast<DWORD>(stride * static_cast<std::size_t>(info.bmHeight));
  automation::Bytes dib(sizeof header + header.biSizeImage);
  std::memcpy(dib.data(), &header, sizeof header);
  const HDC screen = ::GetDC(nullptr);
  const int lines = ::GetDIBits(screen, bitmap, 0, static_cast<UINT>(info.bmHeight), dib.data() + sizeof header,
                                reinterpret_cast<BITMAPINFO*>(dib.data()), DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, screen);
  if (lines != info.bmHeight) return {};
  return dib;
}

// A picture file (PNG, JPEG, GIF) decoded by the system's picture loader, as a DIB.
automation::Bytes decodeToDib(const automation::Bytes& file) {
  const HGLOBAL memory = globalOf(file.data(), file.size());
  if (!memory) return {};
  IStream* stream = nullptr;
  if (FAILED(::CreateStreamOnHGlobal(memory, TRUE, &stream))) {
    ::GlobalFree(memory);
    return {};
  }
  IPicture* picture = nullptr;
  automation::Bytes dib;
  if (SUCCEEDED(::OleLoadPicture(stream, static_cast<LONG>(file.size()), FALSE, IID_IPicture,
                                 reinterpret_cast<void**>(&picture)))) {
    OLE_HANDLE handle = 0;
    short type = PICTYPE_NONE;
    if (SUCCEEDED(picture->get_Type(&type)) && type == PICTYPE_BITMAP && SUCCEEDED(picture->get_Handle(&handle))) {
      dib = dibOf(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)));
    }
    picture->Release();
  }
  stream->Release();
  return dib;
}

// The DIB drawn into an enhanced metafile of the same size, for programs that paste metafiles.
HENHMETAFILE metafileOf(const automation::Bytes& dib) {
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
  const HDC recorder = ::CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
  if (!recorder) return nullptr;
  const int height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  std::size_t colours = header->biClrUsed;
  if (colours == 0 && header->biBitCount <= 8) colours = std::size_t{1} << header->biBitCount;
  if (header->biCompression == BI_BITFIELDS) colours = 3;
  const std::uint8_t* bits = dib.data() + header->biSize + colours * sizeof(RGBQUAD);
  ::StretchDIBits(recorder, 0, 0, header->biWidth, height, 0, 0, header->biWidth, height, bits,
                  reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS, SRCCOPY);
  return ::CloseEnhMetaFile(recorder);
}

// A DIB as a BMP file.
automation::Bytes bmpOf(const automation::Bytes& dib) {
  if (dib.size() < sizeof(BITMAPINFOHEADER)) return {};
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
  std::size_t colours = header->biClrUsed;
  if (colours == 0 && header->biBitCount <= 8) colours = std::size_t{1} << header->biBitCount;
  if (header->biCompression == BI_BITFIELDS && header->biSize == sizeof(BITMAPINFOHEADER)) colours = 3;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfSize = static_cast<DWORD>(kFileHeaderSize + dib.size());
  file.bfOffBits = static_cast<DWORD>(kFileHeaderSize + header->biSize + colours * sizeof(RGBQUAD));
  automation::Bytes out(kFileHeaderSize);
  std::memcpy(out.data(), &file, kFileHeaderSize);
  out.insert(out.end(), dib.begin(), dib.end());
  return out;
}

// An enhanced metafile played into a 24-bit DIB of its own size.
automation::Bytes dibOfMetafile(HENHMETAFILE metafile) {
  ENHMETAHEADER header{};
  if (!::GetEnhMetaFileHeader(metafile, sizeof header, &header)) return {};
  const int width = header.rclBounds.right - header.rclBounds.left + 1;
  const int height = header.rclBounds.bottom - header.rclBounds.top + 1;
  if (width <= 0 || height <= 0) return {};
  const HDC screen = ::GetDC(nullptr);
  const HDC canvas = ::CreateCompatibleDC(screen);
  const HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
  const HGDIOBJ old = ::SelectObject(canvas, bitmap);
  RECT area{0, 0, width, height};
  ::FillRect(canvas, &area, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  ::PlayEnhMetaFile(canvas, metafile, &area);
  ::SelectObject(canvas, old);
  automation::Bytes dib = dibOf(bitmap);
  ::DeleteObject(bitmap);
  ::DeleteDC(canvas);
  ::ReleaseDC(nullptr, screen);
  return dib;
}

class Win32Clipboard final : public Clipboard {
 public:
  Win32Clipboard() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!::GetClassInfoExW(thisModule(), kOwnerClass, &wc)) {
      wc.lpfnWndProc = ::DefWindowProcW;
      wc.hInstance = thisModule();
      wc.lpszClassName = kOwnerClass;
      ::RegisterClassExW(&wc);
    }
    owner_ = ::CreateWindowExW(0, kOwnerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, thisModule(), nullptr);
  }
  ~Win32Clipboard() override {
    if (owner_) ::DestroyWindow(owner_);
  }

  void clear() override {
    if (!open()) return;
    ::EmptyClipboard();
    ::CloseClipboard();
  }

  // As with the platform's SetData, the picture replaces the clipboard's content.
  void setPicture(automation::Bytes file) override {
    const auto info = ReadPictureInfo(file);
    automation::Bytes dib;
    if (info && info->kind == PictureKind::Bmp && file.size() > kFileHeaderSize) {
      dib.assign(file.begin() + kFileHeaderSize, file.end());
    } else if (info) {
      dib = decodeToDib(file);
    }
    if (!open()) return;
    ::EmptyClipboard();
    if (!dib.empty()) {
      if (const HGLOBAL memory = globalOf(dib.data(), dib.size())) {
        if (!::SetClipboardData(CF_DIB, memory)) ::GlobalFree(memory);
      }
      if (const HENHMETAFILE metafile = metafileOf(dib)) {
        if (!::SetClipboardData(CF_ENHMETAFILE, metafile)) ::DeleteEnhMetaFile(metafile);
      }
    }
    if (const wchar_t* name = info ? formatName(info->kind) : nullptr) {
      if (const HGLOBAL memory = globalOf(file.data(), file.size())) {
        if (!::SetClipboardData(::RegisterClipboardFormatW(name), memory)) ::GlobalFree(memory);
      }
    }
    ::CloseClipboard();
  }

  void setText(const std::string& text) override {
    const std::wstring wide = widen(text);
    if (!open()) return;
    ::EmptyClipboard();
    if (const HGLOBAL memory = globalOf(wide.c_str(), (wide.size() + 1) * sizeof(wchar_t))) {
      if (!::SetClipboardData(CF_UNICODETEXT, memory)) ::GlobalFree(memory);
    }
    ::CloseClipboard();
  }

  std::optional<ClipboardData> data(const std::string& format) override {
    const std::string wanted = text::toLowerAscii(format);
    if (wanted.empty() || wanted == "bitmap") {
      if (auto picture = readPicture()) return ClipboardData{"bitmap", std::move(*picture)};
      if (!wanted.empty()) return std::nullopt;
    }
    if (wanted.empty() || wanted == "text") return readText();
    return std::nullopt;
  }

 private:
  // The clipboard may be held for a moment by another program: a few tries before giving up.
  bool open() {
    for (int attempt = 0; attempt < 10; ++attempt) {
      if (::OpenClipboard(owner_)) return true;
      ::Sleep(10);
    }
    return false;
  }

  std::optional<automation::Bytes> readPicture() {
    if (!open()) return std::nullopt;
    std::optional<automation::Bytes> out;
    for (const wchar_t* name : {L"PNG", L"JFIF", L"GIF"}) {
      const UINT registered = ::RegisterClipboardFormatW(name);
      if (::IsClipboardFormatAvailable(registered)) {
        out = bytesOf(::GetClipboardData(registered));
        break;
      }
    }
    if (!out && ::IsClipboardFormatAvailable(CF_DIB)) {
      out = bmpOf(bytesOf(::GetClipboardData(CF_DIB)));
    } else if (!out && ::IsClipboardFormatAvailable(CF_ENHMETAFILE)) {
      out = bmpOf(dibOfMetafile(static_cast<HENHMETAFILE>(::GetClipboardData(CF_ENHMETAFILE))));
    }
    ::CloseClipboard();
    if (out && out->empty()) out.reset();
    return out;
  }

  std::optional<ClipboardData> readText() {
    if (!::IsClipboardFormatAvailable(CF_UNICODETEXT) || !open()) return std::nullopt;
    std::optional<ClipboardData> out;
    if (const HANDLE memory = ::GetClipboardData(CF_UNICODETEXT)) {
      if (const auto* chars = static_cast<const wchar_t*>(::GlobalLock(memory))) {
        const std::size_t capacity = ::GlobalSize(memory) / sizeof(wchar_t);
        const std::string utf8 = narrow(std::wstring_view(chars, ::wcsnlen(chars, capacity)));
        ::GlobalUnlock(memory);
        out = ClipboardData{"text", automation::Bytes(utf8.begin(), utf8.end())};
      }
    }
    ::CloseClipboard();
    return out;
  }

  HWND owner_ = nullptr;
};

}  // namespace

std::unique_ptr<Clipboard> newClipboard() {
  return std::make_unique<Win32Clipboard>();
}

}  // namespace verolin::platform::win32
