// CBaseDialog: the skinned dialog every window of the program but the About
// box derives from. It paints a background picture, takes its outline from a
// mask picture (every pixel that is not pure white), and moves when its own
// surface is dragged. Both pictures are named in section SCREEN of the
// window's skin file (Main, and Mask defaulting to Main), relative to the skin
// folder. A skin file that names no picture, or a picture that cannot be
// loaded or is larger than the screen, ends the process with exit code 0
// after a message box that names the file (EndProcessForDamagedSkin).
// A window that starts hidden may decode its pictures later: initialising
// then only reads their headers, and the window takes its size from the
// background's.
#pragma once

#include <windows.h>

#include <string>

#include "controls/dialog_win.h"
#include "skin/skin_picture_win.h"

class CBaseDialog : public Dialog {
 public:
  enum class Decode { kAtInit, kLater };
  CBaseDialog(int templateId, std::u16string skinFile, std::u16string skinFolder, Decode decode = Decode::kAtInit);

  const std::u16string& SkinFile() const { return skinFile_; }
  const std::u16string& SkinFolder() const { return skinFolder_; }
  // Empty until decoded.
  const SkinPicture& Background() const { return background_; }
  const SkinPicture& Mask() const { return mask_; }
  // The window's size: the background picture's.
  const PictureSize& Size() const { return size_; }

  // Decodes the background and the mask and gives the window its shape,
  // unless that was done; a picture that cannot be decoded ends the process
  // as one that cannot be read does. False when there was nothing left to do.
  bool DecodeSkin();

 protected:
  // Derived dialogs call these first from their own overrides.
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // Releases both pictures, then ends the dialog with IDOK.
  void OnOK() override;

 private:
  std::u16string skinFile_;
  std::u16string skinFolder_;
  std::u16string backgroundFile_, maskFile_;
  bool decodeLater_;
  bool decoded_ = false;
  PictureSize size_;
  SkinPicture background_;
  SkinPicture mask_;
};
