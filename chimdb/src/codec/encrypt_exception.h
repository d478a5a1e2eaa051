#pragma once

#include "chimdb/database_error.h"

namespace chimdb {

// A cipher used in a state that does not allow it (for example before it has a key).
class EncryptException : public DatabaseError {
  public:
    using DatabaseError::DatabaseError;
};

}  // namespace chimdb
