// The wording of the store's failures.
#include "manager/originals/store_error.h"

#include "base/write_messages.h"

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
    return text + consequence + base::WhyNotWritten({error.file, error.why}, false);
}

std::string DamageText(const StoreError& error) {
    const std::string line = "line " + std::to_string(error.line);
    switch (error.problem) {
    case IndexProblem::None:
        break;
    case IndexProblem::NoCheck:
        return "its last line is not the check line";
    case IndexProblem::WrongCheck:
        return "its check line does not match the lines above it";
    case IndexProblem::UnknownFormat:
        return "it is written in a form this Grenwick does not know";
    case IndexProblem::Malformed:
        return line + " has no known shape";
    case IndexProblem::BadName:
        return line + " names a file outside its place";
    case IndexProblem::DuplicateName:
        return line + " names a file twice";
    case IndexProblem::OtherGameFolder:
        return "it belongs to another game folder";
    }
    return "it cannot be read";
}

}  // namespace manager
