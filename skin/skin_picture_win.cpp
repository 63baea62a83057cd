#include "skin/skin_picture_win.h"

#include <objidl.h>
#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <cstring>

#include "app/wide_win.h"

namespace {

// Reads a whole file into movable global memory for a stream; nullptr on failure.
HGLOBAL ReadWholeFile(const std::u16string& path, DWORD& size) {
  HANDLE file =
      CreateFileW(WidePtr(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  HGLOBAL memory = nullptr;
  LARGE_INTEGER length{};
  if (GetFileSizeEx(file, &length) && length.QuadPart > 0 && length.QuadPart < (256ll << 20)) {
    size = static_cast<DWORD>(length.QuadPart);
    memory = GlobalAlloc(GMEM_MOVEABLE, size);
    void* bytes = memory ? GlobalLock(memory) : nullptr;
    DWORD read = 0;
    const bool ok = bytes && ReadFile(file, bytes, size, &read, nullptr) && read == size;
    if (bytes) GlobalUnlock(memory);
    if (!ok && memory) {
      GlobalFree(memory);
      memory = nullptr;
    }
  }
  CloseHandle(file);
  return memory;
}

// The size the bytes in `memory` declare; false when they declare none.
bool DeclaredSize(HGLOBAL memory, DWORD length, PictureSize& size) {
  const auto* bytes = static_cast<const std::uint8_t*>(GlobalLock(memory));
  const bool read = bytes && ReadPictureSize(bytes, length, size);
  GlobalUnlock(memory);
  return read;
}

bool FitsScreen(const PictureSize& size) { return PictureFitsScreen(size, VirtualScreenSize()); }

// Copies `source` (any bitmap) into `target` at (0, 0).
void CopyBitmap(HBITMAP source, int width, int height, const SkinPicture& target) {
  HDC screen = GetDC(nullptr);
  HDC to = CreateCompatibleDC(screen);
  HGDIOBJ oldTo = SelectObject(to, target.bitmap());
  DrawPicture(to, {0, 0, width, height}, source);
  SelectObject(to, oldTo);
  DeleteDC(to);
  ReleaseDC(nullptr, screen);
}

std::vector<std::u16string> Names(std::initializer_list<const char16_t*> names) {
  return std::vector<std::u16string>(names.begin(), names.end());
}

}  // namespace

void DrawPicture(HDC target, const RECT& area, HBITMAP picture, POINT from, DWORD operation) {
  if (!picture) return;
  HDC source = CreateCompatibleDC(target);
  HGDIOBJ old = SelectObject(source, picture);
  BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, source, from.x, from.y,
         operation);
  SelectObject(source, old);
  DeleteDC(source);
}

SkinPicture& SkinPicture::operator=(SkinPicture&& other) noexcept {
  if (this != &other) {
    Release();
    std::swap(bitmap_, other.bitmap_);
    std::swap(bits_, other.bits_);
    std::swap(width_, other.width_);
    std::swap(height_, other.height_);
  }
  return *this;
}

void SkinPicture::Release() {
  if (bitmap_) DeleteObject(bitmap_);
  bitmap_ = nullptr;
  bits_ = nullptr;
  width_ = height_ = 0;
}

SkinPicture SkinPicture::Blank(int width, int height, COLORREF colour) {
  SkinPicture picture;
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return picture;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) {
    if (bitmap) DeleteObject(bitmap);
    return picture;
  }
  picture.bitmap_ = bitmap;
  picture.bits_ = static_cast<std::uint32_t*>(bits);
  picture.width_ = width;
  picture.height_ = height;
  // A new DIB section's memory is zero, which is black.
  const std::uint32_t pixel = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
  if (pixel != 0) std::fill(picture.bits_, picture.bits_ + std::size_t(width) * height, pixel);
  return picture;
}

const std::uint32_t* SkinPicture::Row(int y) const {
  if (!bits_ || y < 0 || y >= height_) return nullptr;
  GdiFlush();
  return bits_ + std::size_t(y) * width_;
}

void SkinPicture::CopyPixelsFrom(const SkinPicture& source) {
  if (!bits_ || !source.bits_) return;
  GdiFlush();
  const int width = std::min(width_, source.width_), height = std::min(height_, source.height_);
  for (int y = 0; y < height; ++y)
    std::memcpy(bits_ + std::size_t(y) * width_, source.bits_ + std::size_t(y) * source.width_,
                std::size_t(width) * sizeof(std::uint32_t));
}

std::uint32_t SkinPicture::Pixel(int x, int y) const {
  if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  GdiFlush();
  return bits_[std::size_t(y) * width_ + x] & 0xFFFFFFu;
}

PictureSize VirtualScreenSize() {
  return PictureSize{GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

bool DecodePictureFile(const std::u16string& path, SkinPicture& picture) {
  DWORD size = 0;
  HGLOBAL memory = ReadWholeFile(path, size);
  if (!memory) return false;
  // Refused before the loader reserves memory for the size the header claims.
  PictureSize declared;
  if (DeclaredSize(memory, size, declared) && !FitsScreen(declared)) {
    GlobalFree(memory);
    return false;
  }
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
    GlobalFree(memory);
    return false;
  }
  IPicture* loaded = nullptr;
  const HRESULT hr =
      OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture, reinterpret_cast<void**>(&loaded));
  stream->Release();
  if (FAILED(hr) || !loaded) return false;
  bool ok = false;
  short type = PICTYPE_NONE;
  OLE_HANDLE handle = 0;
  if (SUCCEEDED(loaded->get_Type(&type)) && type == PICTYPE_BITMAP && SUCCEEDED(loaded->get_Handle(&handle))) {
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
    BITMAP info{};
    if (GetObjectW(bitmap, sizeof info, &info) && FitsScreen(PictureSize{info.bmWidth, info.bmHeight})) {
      SkinPicture copy = SkinPicture::Blank(info.bmWidth, info.bmHeight);
      if (!copy.empty()) {
        CopyBitmap(bitmap, info.bmWidth, info.bmHeight, copy);
        picture = std::move(copy);
        ok = true;
      }
    }
  }
  loaded->Release();
  return ok;
}

bool ReadPictureFileSize(const std::u16string& path, PictureSize& size) {
  DWORD length = 0;
  HGLOBAL memory = ReadWholeFile(path, length);
  if (!memory) return false;
  const bool read = DeclaredSize(memory, length, size) && FitsScreen(size);
  GlobalFree(memory);
  return read;
}

HBITMAP LoadBitmapFile(const std::u16string& path) {
  // The system sizes the bitmap from the header: the header is checked first.
  PictureSize size;
  if (!ReadPictureFileSize(path, size)) return nullptr;
  return static_cast<HBITMAP>(LoadImageW(nullptr, WidePtr(path), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
}

HRGN RegionFromMask(const SkinPicture& mask) {
  // Runs of non-white pixels, row by row, in one region data block.
  std::vector<RECT> runs;
  const auto white = [](std::uint32_t pixel) { return (pixel & 0xFFFFFFu) == 0xFFFFFFu; };
  for (int y = 0; y < mask.height(); ++y) {
    const std::uint32_t* row = mask.Row(y);
    int x = 0;
    while (x < mask.width()) {
      while (x < mask.width() && white(row[x])) ++x;
      const int start = x;
      while (x < mask.width() && !white(row[x])) ++x;
      if (x > start) runs.push_back(RECT{start, y, x, y + 1});
    }
  }
  if (runs.empty()) return CreateRectRgn(0, 0, 0, 0);
  std::vector<std::uint8_t> data(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
  auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
  header->dwSize = sizeof(RGNDATAHEADER);
  header->iType = RDH_RECTANGLES;
  header->nCount = static_cast<DWORD>(runs.size());
  header->nRgnSize = static_cast<DWORD>(runs.size() * sizeof(RECT));
  header->rcBound = RECT{0, 0, mask.width(), mask.height()};
  std::copy(runs.begin(), runs.end(), reinterpret_cast<RECT*>(data.data() + sizeof(RGNDATAHEADER)));
  HRGN region = ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA*>(data.data()));
  return region ? region : CreateRectRgn(0, 0, 0, 0);
}

void EndProcessForDamagedSkin(const std::u16string& file) {
  // One box: the box's loop still delivers the thread's messages, so another
  // window may fail while it is open; that ends the process at once. The
  // frames that came here never resume.
  static bool told = false;
  if (!told) {
    told = true;
    const std::u16string text = u"Ostrak cannot run without this skin file, which is missing or damaged:\n\n" + file +
                                u"\n\nInstalling Ostrak again restores it.";
    MessageBoxW(nullptr, WidePtr(text), L"Ostrak", MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
  }
  ExitProcess(0);
}

void WindowPictureSet::Create(const std::u16string& folder, const std::vector<std::u16string>& names, int width,
                              int height) {
  if (!pictures.empty() || names.empty()) return;
  for (const std::u16string& name : names) {
    pictures.push_back(SkinPicture::Blank(std::max(width, 1), std::max(height, 1)));
    if (pictures.back().empty()) ExitProcess(0);  // no memory: no file to name
    files.push_back(folder + name);
  }
  decoded = 0;
}

bool WindowPictureSet::DecodeNext() {
  if (Complete()) return false;
  const std::size_t i = decoded++;
  // A file named twice is decoded once; the second picture copies the first.
  const auto earlier = std::find(files.begin(), files.begin() + static_cast<std::ptrdiff_t>(i), files[i]);
  if (earlier != files.begin() + static_cast<std::ptrdiff_t>(i)) {
    pictures[i].CopyPixelsFrom(pictures[static_cast<std::size_t>(earlier - files.begin())]);
  } else {
    SkinPicture picture;
    if (DecodePictureFile(files[i], picture)) pictures[i].CopyPixelsFrom(picture);  // else black faces
  }
  return true;
}

void WindowPictureSet::LoadOnce(const std::u16string& folder, const std::vector<std::u16string>& names, int width,
                                int height) {
  Create(folder, names, width, height);
  DecodeAll();
}

const std::vector<std::u16string>& MainWindowPictureNames() {
  static const auto names =
      Names({u"Skins\\main_normal.jpg", u"Skins\\main_over.jpg", u"Skins\\main_down.jpg", u"Skins\\main_disable.jpg",
             u"Skins\\main_normal.jpg", u"Skins\\main_over.jpg", u"Skins\\main_down.jpg", u"Skins\\main_disable.jpg",
             u"Skins\\Arrow.jpg", u"Skins\\main_color0.jpg", u"Skins\\main_color1.jpg"});
  return names;
}

const std::vector<std::u16string>& ProfileWindowPictureNames() {
  static const auto names = Names({u"Skins\\Profile_normal.jpg", u"Skins\\Profile_over.jpg", u"Skins\\Profile_down.jpg",
                                   u"Skins\\Profile_down.jpg"});
  return names;
}

const std::vector<std::u16string>& CompositeWindowPictureNames() {
  static const auto names = Names({
      u"Skins\\key_normal.jpg",    u"Skins\\key_over.jpg",        u"Skins\\key_down.jpg",
      u"Skins\\key_normal.jpg",    u"Skins\\macro_normal.jpg",    u"Skins\\macro_over.jpg",
      u"Skins\\macro_down.jpg",    u"Skins\\macro_disable.jpg",   u"Skins\\macro2_normal.jpg",
      u"Skins\\macro2_over.jpg",   u"Skins\\macro2_down.jpg",     u"Skins\\macro2_disable.jpg",
      u"Skins\\media_normal.jpg",  u"Skins\\media_over.jpg",      u"Skins\\media_down.jpg",
      u"Skins\\media_normal.jpg",  u"Skins\\function_normal.jpg", u"Skins\\function_over.jpg",
      u"Skins\\function_down.jpg", u"Skins\\function_normal.jpg",
  });
  return names;
}

const std::vector<std::u16string>& UpdateWindowPictureNames() {
  static const auto names = Names({u"Skins\\update_normal.jpg", u"Skins\\update_over.jpg"});
  return names;
}

WindowPictureSet& SharedPicturesOf(SkinWindow window) {
  static WindowPictureSet sets[4];
  return sets[static_cast<int>(window) & 3];
}

const std::vector<std::u16string>& PictureNamesOf(SkinWindow window) {
  switch (window) {
    case SkinWindow::kMain:
      return MainWindowPictureNames();
    case SkinWindow::kProfile:
      return ProfileWindowPictureNames();
    case SkinWindow::kComposite:
      return CompositeWindowPictureNames();
    case SkinWindow::kUpdate:
      return UpdateWindowPictureNames();
  }
  return MainWindowPictureNames();
}
