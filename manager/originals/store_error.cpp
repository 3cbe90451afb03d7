// The wording of the store's failures.
#include "manager/originals/store_error.h"

#include "batchfile/write_messages.h"

namespace manager {

StoreError NotWritten(const base::WriteError& error) {
    return {StoreError::What::NotWritten, error.file, error.reason};
}

std::string StoreMessage(const StoreError& error, const std::string& consequence) {
    std::string text;
    switch (error.what) {
    case StoreError::What::NoRoot:
        text = "No folder is known to keep the original files in";  // never one inside the game folder
        break;
    case StoreError::What::InUse:
        text = "The kept original files are in use by another Grenwick window";
        break;
    case StoreError::What::Unreadable:
        text = "The list of kept original files \"" + error.file + "\" cannot be read";
        break;
    case StoreError::What::NotWritten:
        text = "The file \"" + error.file + "\" could not be written";
        break;
    case StoreError::What::NotKept:
        text = "The original file \"" + error.file + "\" could not be kept";
        break;
    case StoreError::What::Cancelled:
        text = "Keeping the original files was cancelled";
        break;
    }
    return text + consequence + batchfile::WhyNotWritten({error.file, error.why}, false);
}

}  // namespace manager
