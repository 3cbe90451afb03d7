// The user's local application data folder, where the originals store lives.
#pragma once

#include <optional>
#include <string>

namespace manager {

// The folder in the ANSI code page; nullopt when the system names none, or names one with a
// character the code page lacks, which the ANSI file functions could not reach.
std::optional<std::string> LocalAppDataFolder();

// `length` UTF-16 units of a path in the ANSI code page, only when every character has its
// own exact form there.
std::optional<std::string> ExactAnsiPath(const wchar_t* path, int length);

}  // namespace manager
