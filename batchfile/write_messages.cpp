// The wording of failed writes.
#include "batchfile/write_messages.h"

namespace batchfile {

std::string WhyNotWritten(const base::WriteError& error, bool rightsMatter) {
    switch (error.reason) {
    case base::WriteError::Reason::AccessDenied:
        return rightsMatter ? std::string(" ") + kAdminsOnly : std::string();
    case base::WriteError::Reason::DiskFull:
        return std::string(" ") + kDiskFull;
    case base::WriteError::Reason::Other:
    case base::WriteError::Reason::InUse:
        break;
    }
    return {};
}

std::string NotWrittenMessage(const base::WriteError& error, bool rightsMatter) {
    return "The file \"" + error.file + "\" could not be written." + WhyNotWritten(error, rightsMatter);
}

}  // namespace batchfile
