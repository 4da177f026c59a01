// The one line in which the two variants of the library differ: the version text names the
// variant (QWS_SCANLIB_VARIANT comes from the build).
extern const wchar_t kLibraryVersion[];
const wchar_t kLibraryVersion[] = L"qlxs 3.0.22990 " QWS_SCANLIB_VARIANT;
