// What distinguishes the two variants of the library (QWS_SCANLIB_VARIANT and
// QWS_SCANLIB_ANTISTEALTH come from the build): the version text, and whether the memory scan
// and the library's own folder walk are there.
#include <cstdint>

extern const wchar_t kLibraryVersion[];
extern const bool kAntiStealth;
const wchar_t kLibraryVersion[] = L"qlxs 3.0.22990 " QWS_SCANLIB_VARIANT;
const bool kAntiStealth = QWS_SCANLIB_ANTISTEALTH;
