// System libraries loaded at run time by their full path in the system folder, never by bare
// name, and their entry points.
#pragma once

#include <windows.h>

#include "base/scoped_handle.h"

namespace qws {

inline ScopedModule LoadSystemLibrary(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = L"";
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return ScopedModule();
  std::wstring path = folder;
  path += L'\\';
  path += name;
  return ScopedModule(LoadLibraryW(path.c_str()));
}

// The entry point cast to the pointer type of `function`; false when it is missing.
template <class Function>
bool BindEntryPoint(const ScopedModule& module, const char* name, Function& function) {
  function = module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module.get(), name)))
                    : nullptr;
  return function != nullptr;
}

}  // namespace qws
