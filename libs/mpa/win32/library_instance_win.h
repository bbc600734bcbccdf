// The module handle to load the library's dialogs from.
#pragma once

#include <windows.h>

namespace tumbor {

// The handle the player gave, or else the handle of the module holding this code.
inline HINSTANCE dialogInstance(void* given) {
    if (given) return static_cast<HINSTANCE>(given);
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&dialogInstance), &self);
    return self;
}

}  // namespace tumbor
