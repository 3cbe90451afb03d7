// The kinds of Windows handles the kit owns, each in a base::UniqueHandle: kernel objects
// (files, mutexes, tokens), folder searches, registry keys, hash objects and the C runtime's
// descriptors.
#pragma once

#include <windows.h>

#include <bcrypt.h>
#include <io.h>

#include "base/unique_handle.h"

namespace base {

// Kernel objects: INVALID_HANDLE_VALUE is the one empty value. Calls that fail with null
// (CreateMutex, OpenProcessToken) are taken through KernelHandleOf, so null never stands
// for a handle either.
struct KernelHandleKind {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { CloseHandle(handle); }
};
using KernelHandle = UniqueHandle<KernelHandleKind>;
inline KernelHandle KernelHandleOf(HANDLE handle) { return KernelHandle(handle ? handle : INVALID_HANDLE_VALUE); }

// A search FindFirstFile began, which only FindClose ends.
struct FolderSearchKind {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { FindClose(handle); }
};
using FolderSearch = UniqueHandle<FolderSearchKind>;

struct RegistryKeyKind {
    using Handle = HKEY;
    static Handle Empty() { return nullptr; }
    static void Close(Handle key) { RegCloseKey(key); }
};
using RegistryKey = UniqueHandle<RegistryKeyKind>;

struct HashObjectKind {
    using Handle = BCRYPT_HASH_HANDLE;
    static Handle Empty() { return nullptr; }
    static void Close(Handle hash) { BCryptDestroyHash(hash); }
};
using HashObject = UniqueHandle<HashObjectKind>;

// A C runtime descriptor, as _open_osfhandle gives one.
struct RuntimeDescriptorKind {
    using Handle = int;
    static Handle Empty() { return -1; }
    static void Close(Handle descriptor) { _close(descriptor); }
};
using RuntimeDescriptor = UniqueHandle<RuntimeDescriptorKind>;

}  // namespace base
