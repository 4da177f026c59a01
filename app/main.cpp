#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/qws_app.h"
#include "base/u16.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::u16string> args;
  for (int i = 1; argv && i < count; ++i) args.push_back(qws::ToU16(argv[i]));
  if (argv) LocalFree(argv);
  qws::TheApp().InitInstance(args);
  return 0;
}
