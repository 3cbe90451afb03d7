// The kind of POSIX handle the kit owns, in a base::UniqueHandle: a file descriptor.
#pragma once

#include <unistd.h>

#include "base/unique_handle.h"

namespace base {

struct DescriptorKind {
    using Handle = int;
    static Handle Empty() { return -1; }
    static void Close(Handle descriptor) { close(descriptor); }
};
using Descriptor = UniqueHandle<DescriptorKind>;

}  // namespace base
