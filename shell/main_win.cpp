// Ostrak.exe: the configuration program of the keyboard.
#include <windows.h>

#include "shell/app_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  COstrakApp application;
  return application.Run();
}
