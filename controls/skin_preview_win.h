// A skinned window that shows a skin as the program's windows will: its
// background and shape, and a picture button, arrow or placeholder for every
// BUTTONINFO key the window reads, placed the way that window places it.
// Used to look at a skin and to test the skin layer end to end.
#pragma once

#include <deque>
#include <map>
#include <string>

#include "controls/base_dialog_win.h"
#include "controls/kit_controls_win.h"
#include "controls/memory_template_win.h"
#include "controls/png_button_win.h"
#include "controls/skin_place_win.h"
#include "skin/skin_keys.h"
#include "skin/skin_picture_win.h"

class SkinPreviewDialog : public CBaseDialog {
 public:
  // `programFolder` ends in a backslash.
  SkinPreviewDialog(SkinWindow window, const std::u16string& programFolder);
  ~SkinPreviewDialog() override;

  CPngButton* Button(const std::u16string& key);
  HWND ControlOf(const std::u16string& key) const;
  // The window's shared pictures in load order.
  const WindowPictureSet& Pictures() const { return pictures_; }

 protected:
  BOOL OnInitDialog() override;

 private:
  StatePictures PicturesFor(const SkinKey& key) const;
  // The main window's lighting panel as it might look: captions, sliders,
  // pictures, colour buttons and the effect list, from the skin's own files.
  void ShowLightingPanel(const SkinTargets& targets);
  HBITMAP PanelBitmap(const std::u16string& name);

  SkinWindow window_;
  std::u16string programFolder_;
  MemoryDialogTemplate template_;
  WindowPictureSet pictures_;
  std::deque<CPngButton> buttons_;
  std::map<std::u16string, CPngButton*> buttonsByKey_;
  std::map<std::u16string, HWND> controlsByKey_;
  std::deque<CColourStatic> captions_;
  std::deque<CBitmapSlider> sliders_;
  std::deque<CSkinColorButton> colourButtons_;
  std::map<std::u16string, HBITMAP> panelBitmaps_;
};
