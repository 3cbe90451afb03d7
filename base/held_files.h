// Files kept from every other program while they are held: no other program can write,
// delete or rename them, nor remove or rename the folders held with them.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace base {

class HeldFiles {
public:
    // Holds each file and folder of `paths` that is there. On Windows each is opened without
    // write or delete sharing; POSIX hosts have no such sharing, so there nothing is held and
    // the holder checks afterwards what changed.
    explicit HeldFiles(const std::vector<std::string>& paths);
    ~HeldFiles();
    HeldFiles(const HeldFiles&) = delete;
    HeldFiles& operator=(const HeldFiles&) = delete;

private:
    struct Handles;  // each platform's own, in its body
    std::unique_ptr<Handles> m_handles;
};

}  // namespace base
