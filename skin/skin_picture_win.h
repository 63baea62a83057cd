// Skin pictures: files of the Skins folder decoded by the system's picture
// loader into 32-bit memory pictures, the window shapes cut from mask
// pictures, and the per-window picture sets decoded once per window class.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "skin/picture_header.h"
#include "skin/skin_keys.h"

// A 32-bit top-down DIB section; owns its bitmap.
class SkinPicture {
 public:
  SkinPicture() = default;
  ~SkinPicture() { Release(); }
  SkinPicture(SkinPicture&& other) noexcept { *this = std::move(other); }
  SkinPicture& operator=(SkinPicture&& other) noexcept;
  SkinPicture(const SkinPicture&) = delete;
  SkinPicture& operator=(const SkinPicture&) = delete;

  // A picture of the given size filled with `colour` (0x00BBGGRR); empty when
  // the system cannot create it.
  static SkinPicture Blank(int width, int height, COLORREF colour = 0);

  bool empty() const { return bitmap_ == nullptr; }
  HBITMAP bitmap() const { return bitmap_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // The pixel as 0x00RRGGBB; 0 outside the picture.
  std::uint32_t Pixel(int x, int y) const;
  // Row y's pixels (0x00RRGGBB in the low bytes); nullptr outside the picture.
  // Drawing still queued by the system is finished first.
  const std::uint32_t* Row(int y) const;
  // Copies `source` into this picture at (0, 0), cut to this picture's size;
  // the bitmap handle stays the same, so controls holding it show the new pixels.
  void CopyPixelsFrom(const SkinPicture& source);
  void Release();

 private:
  HBITMAP bitmap_ = nullptr;
  std::uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// Copies the part of `picture` from `from` on into `area` of `target`
// (SRCCOPY, or another raster operation such as SRCAND); no picture draws nothing.
void DrawPicture(HDC target, const RECT& area, HBITMAP picture, POINT from = {0, 0}, DWORD operation = SRCCOPY);

// The size of the virtual screen (every monitor together); a side the system
// does not tell is 0.
PictureSize VirtualScreenSize();

// Reads the whole file and decodes it (JPEG, BMP, GIF) with the system's
// picture loader; false when the file is missing, unreadable, not a picture,
// or larger than the screen allows (PictureFitsScreen), which a size its
// header declares tells before anything is decoded.
bool DecodePictureFile(const std::u16string& path, SkinPicture& picture);

// The size a picture file declares, read from its header without decoding;
// false when the file is missing, unreadable, not a picture, or declares a
// size larger than the screen allows.
bool ReadPictureFileSize(const std::u16string& path, PictureSize& size);

// A BMP file loaded by the system as it is, for a picture control; nullptr when
// it is missing, damaged or declares a size larger than the screen allows.
// The caller owns the bitmap.
HBITMAP LoadBitmapFile(const std::u16string& path);

// The region of every pixel that is not pure white (255, 255, 255); an empty
// region for an all-white or empty picture. The caller owns the region.
HRGN RegionFromMask(const SkinPicture& mask);

// What a window does when its skin file or one of its window pictures is
// missing or damaged: one message box that names `file` (full path), in
// built-in English since the language file may be damaged too, then the
// process ends with exit code 0.
[[noreturn]] void EndProcessForDamagedSkin(const std::u16string& file);

// The pictures a window class shares between its controls, kept until the
// process ends. The memory pictures are created first (black) and the files
// drawn into them afterwards, so that a window can place its controls at once
// and decode while it is still hidden.
struct WindowPictureSet {
  std::vector<SkinPicture> pictures;
  std::vector<std::u16string> files;  // the file of each picture
  std::size_t decoded = 0;            // pictures [0, decoded) hold their files

  // Creates the black memory pictures of `names` (relative to `folder`), each
  // width x height, unless the set was already created. Ends the process
  // quietly with exit code 0 when the system has no memory for one.
  // A file that cannot be decoded, or is larger than the screen allows,
  // leaves its picture black.
  void Create(const std::u16string& folder, const std::vector<std::u16string>& names, int width, int height);
  // Draws the next file into its picture; false when every file is in.
  bool DecodeNext();
  void DecodeAll() {
    while (DecodeNext()) {
    }
  }
  bool Complete() const { return decoded == files.size(); }
  // Create and DecodeAll.
  void LoadOnce(const std::u16string& folder, const std::vector<std::u16string>& names, int width, int height);
  HBITMAP operator[](std::size_t i) const { return i < pictures.size() ? pictures[i].bitmap() : nullptr; }
};

// The pictures of each window, in load order, relative to the program folder.
const std::vector<std::u16string>& MainWindowPictureNames();       // 11
const std::vector<std::u16string>& ProfileWindowPictureNames();    // 4
const std::vector<std::u16string>& CompositeWindowPictureNames();  // 20: key, macro, macro2, media, function
const std::vector<std::u16string>& UpdateWindowPictureNames();     // 2

// The process-wide picture set of each window class, and its picture names.
WindowPictureSet& SharedPicturesOf(SkinWindow window);
const std::vector<std::u16string>& PictureNamesOf(SkinWindow window);
