#pragma once

#include <string>

#include "chimdb/medium_type.h"

namespace chimdb {

// What a database needs of a table (dataset) that is registered with it while open. The
// database only refers to its tables; it never owns them.
class DataSetLink {
  public:
    virtual ~DataSetLink() = default;

    // The database has just connected (true) or is disconnecting (false).
    virtual void ConnectionChanged(bool connected) = 0;
    // The database disconnects: the table closes itself (and must not touch the file I/O of
    // the database any more).
    virtual void CloseDataSet() = 0;

    // The medium type was set on the database: the table takes it over.
    virtual void MediumTypeChanged(ChimDBMediumType /*medium*/) {}
    // An automatically named session of the table's owner was (re)named: a table whose
    // session name differs takes the new one.
    virtual void OwnerSessionNameChanged(const std::string& /*sessionName*/) {}
    // The session name the table asks for; used to decide whether the owner's automatic
    // session name must be handed to it.
    virtual std::string LinkSessionName() const { return {}; }
};

}  // namespace chimdb
