#include "platform/win32/picture_bitmap.h"

#include <objbase.h>
#include <wincodec.h>

#include <cstring>
#include <vector>

namespace verolin::platform::win32 {
namespace {

// COM for the imaging component on a thread that may not have it yet; a thread that already runs in
// another apartment keeps it (the component works in either).
class ComScope {
 public:
  ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT result_;
};

// An owned COM interface pointer, released on every way out.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (p_) p_->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T** put() { return &p_; }
  void** putVoid() { return reinterpret_cast<void**>(&p_); }
  T* get() const { return p_; }
  T* operator->() const { return p_; }

 private:
  T* p_ = nullptr;
};

bool createFactory(ComPtr<IWICImagingFactory>& factory) {
  return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IWICImagingFactory, factory.putVoid()));
}

// Transparent parts of a picture show the white of a sheet of paper, as they do once placed.
void blendOntoWhite(std::uint8_t* bgra, std::size_t pixels) {
  for (std::size_t i = 0; i < pixels; ++i, bgra += 4) {
    const unsigned alpha = bgra[3];
    for (int c = 0; c < 3; ++c)
      bgra[c] = static_cast<std::uint8_t>((bgra[c] * alpha + 255 * (255 - alpha)) / 255);
    bgra[3] = 255;
  }
}

HBITMAP createTopDownDib(int width, int height, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

}  // namespace

HBITMAP DecodePicture(const automation::Bytes& bytes, SIZE* size) {
  if (bytes.empty() || bytes.size() > 0x7FFFFFFF) return nullptr;
  ComScope com;
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  if (!createFactory(factory) || FAILED(factory->CreateStream(stream.put())) ||
      FAILED(
          stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()))) ||
      FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              decoder.put())) ||
      FAILED(decoder->GetFrame(0, frame.put())) || FAILED(factory->CreateFormatConverter(converter.put())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                   nullptr, 0.0, WICBitmapPaletteTypeCustom))) {
    return nullptr;
  }
  UINT width = 0;
  UINT height = 0;
  if (FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0 || width > 65535 ||
      height > 65535)
    return nullptr;
  void* bits = nullptr;
  HBITMAP bitmap = createTopDownDib(static_cast<int>(width), static_cast<int>(height), &bits);
  if (!bitmap) return nullptr;
  const UINT stride = width * 4;
  if (FAILED(converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) {
    DeleteObject(bitmap);
    return nullptr;
  }
  blendOntoWhite(static_cast<std::uint8_t*>(bits), std::size_t{width} * height);
  if (size) *size = {static_cast<LONG>(width), static_cast<LONG>(height)};
  return bitmap;
}

automation::Bytes EncodePng(HBITMAP bitmap) {
  BITMAP header{};
  if (!bitmap || GetObjectW(bitmap, sizeof(header), &header) == 0 || header.bmWidth <= 0 ||
      header.bmHeight == 0)
    return {};
  const int width = header.bmWidth;
  const int height = header.bmHeight < 0 ? -header.bmHeight : header.bmHeight;
  std::vector<std::uint8_t> pixels(std::size_t{4} * width * height);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC dc = CreateCompatibleDC(nullptr);
  const int rows = GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
  DeleteDC(dc);
  if (rows != height) return {};

  ComScope com;
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICBitmap> source;
  ComPtr<IStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  const UINT stride = static_cast<UINT>(width) * 4;
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (!createFactory(factory) ||
      FAILED(factory->CreateBitmapFromMemory(
          static_cast<UINT>(width), static_cast<UINT>(height), GUID_WICPixelFormat32bppBGR, stride,
          static_cast<UINT>(pixels.size()), pixels.data(), source.put())) ||
      FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put())) ||
      FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put())) ||
      FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(frame.put(), options.put())) ||
      FAILED(frame->Initialize(options.get())) ||
      FAILED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))) ||
      FAILED(frame->SetPixelFormat(&format)) || FAILED(frame->WriteSource(source.get(), nullptr)) ||
      FAILED(frame->Commit()) || FAILED(encoder->Commit())) {
    return {};
  }
  HGLOBAL memory = nullptr;
  if (FAILED(GetHGlobalFromStream(stream.get(), &memory))) return {};
  STATSTG stat{};
  if (FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return {};
  const auto* data = static_cast<const std::uint8_t*>(GlobalLock(memory));
  if (!data) return {};
  automation::Bytes png(data, data + stat.cbSize.QuadPart);
  GlobalUnlock(memory);
  return png;
}

}  // namespace verolin::platform::win32
