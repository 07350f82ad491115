// Linked into the Windows plug-ins only.
//
// MinGW's DLL start-up code always calls its runtime relocator, which patches references to data
// imported from other DLLs without an import stub ("pseudo relocations"). The plug-ins import
// only functions, and the link passes --disable-runtime-pseudo-reloc, so the linker refuses any
// reference that would need patching. The relocator would only walk an empty list: this empty
// one stands in for it and keeps its 3 KiB of code and messages out of a 16 KiB budget.
extern "C" void _pei386_runtime_relocator(void) {}
