// Stands in for the scanning library inside the program's resources until the engine lands:
// a real DLL that loads and names its variant, so that extraction can be checked end to end.
#include <windows.h>

extern "C" __declspec(dllexport) const char* qlxs_standin_variant() { return QWS_STANDIN_VARIANT; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
