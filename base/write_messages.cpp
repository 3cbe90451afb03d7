// The wording of failed writes.
#include "base/write_messages.h"

namespace base {

std::string WhyNotWritten(const WriteError& error, bool rightsMatter) {
    switch (error.reason) {
    case WriteError::Reason::AccessDenied:
        return rightsMatter ? std::string(" ") + kAdminsOnly : std::string();
    case WriteError::Reason::DiskFull:
        return std::string(" ") + kDiskFull;
    case WriteError::Reason::Other:
    case WriteError::Reason::InUse:
        break;
    }
    return {};
}

std::string NotWrittenMessage(const WriteError& error, bool rightsMatter) {
    return "The file \"" + error.file + "\" could not be written." + WhyNotWritten(error, rightsMatter);
}

}  // namespace base
