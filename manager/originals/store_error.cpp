// A failed write of the store's own files as the store's failure value.
#include "manager/originals/store_error.h"


namespace manager {

StoreError NotWritten(const base::WriteError& error) {
    return {StoreError::What::NotWritten, error.file, error.reason};
}

}  // namespace manager
