// Compiled with the Microsoft ABI only, to learn the decorated names under which a plug-in built
// with Microsoft's compiler imports our declarations of the host's functions.
#include "common/script_host.h"

extern void* const kHostImports[];
void* const kHostImports[] = {
    reinterpret_cast<void*>(&scriptRegister),   reinterpret_cast<void*>(&scriptUnregister),
    reinterpret_cast<void*>(&keyboardHandlerRegister), reinterpret_cast<void*>(&keyboardHandlerUnregister),
    reinterpret_cast<void*>(&scriptWait),       reinterpret_cast<void*>(&nativeInit),
    reinterpret_cast<void*>(&nativePush64),     reinterpret_cast<void*>(&nativeCall),
};
