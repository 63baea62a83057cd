// Skin pictures: files of the Skins folder decoded by the system's picture
// loader into 32-bit memory pictures, the window shapes cut from mask
// pictures, and the per-window picture sets decoded once per window class.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

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
  // A picture of its own with the same pixels.
  static SkinPicture CopyOf(const SkinPicture& source);

  bool empty() const { return bitmap_ == nullptr; }
  HBITMAP bitmap() const { return bitmap_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // The pixel as 0x00RRGGBB; 0 outside the picture.
  std::uint32_t Pixel(int x, int y) const;
  void Release();

 private:
  HBITMAP bitmap_ = nullptr;
  std::uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// Reads the whole file and decodes it (JPEG, BMP, GIF) with the system's
// picture loader; false when the file is missing, unreadable or not a picture.
bool DecodePictureFile(const std::u16string& path, SkinPicture& picture);

// A face picture: a memory picture of at least width x height (black where
// the file has no pixels) with the file drawn at (0, 0). A missing or broken
// file is not an error: its faces are black. Ends the process with exit code
// 0 when the memory picture cannot be created.
SkinPicture LoadFacePicture(const std::u16string& path, int width, int height);

// The region of every pixel that is not pure white (255, 255, 255); an empty
// region for an all-white or empty picture. The caller owns the region.
HRGN RegionFromMask(const SkinPicture& mask);

// Ends the process at once with exit code 0: what a missing window picture does.
[[noreturn]] void EndProcessForMissingPicture();

// The pictures a window class shares between its controls, decoded the first
// time one of its windows initialises and kept until the process ends.
struct WindowPictureSet {
  bool loaded = false;
  std::vector<SkinPicture> pictures;

  // Decodes `names` (relative to `folder`) unless already loaded; each
  // picture is at least width x height.
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
