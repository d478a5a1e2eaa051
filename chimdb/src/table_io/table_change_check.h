#pragma once

#include "chimdb/file.h"
#include "table_io/chim_table_io.h"

namespace chimdb {

// Tells a reader that lets go of the file lock between the stretches of a long read whether
// another program changed a table meanwhile. Every call runs under the file lock.
//
// It compares what the table I/O object knows with the file: the table header (every append
// changes it) and the deleted flags of the record table (a delete changes one of them and
// nothing else). A record rewritten in place leaves both as they were; it shows in the file's
// modification time, which the check remembers when it looks. Local file systems of Linux
// since 6.13 give every write that follows a look at the time a time of its own; where the
// time is coarser (older systems, network shares), a rewrite within one tick of the file
// system's clock goes unseen by this check.
class TableChangeCheck {
  public:
    explicit TableChangeCheck(ChimTableIO& table) : table_(table) {}

    // Whether the table I/O object's header and lists are those of the file.
    bool ListsMatchFile();
    // Remembers the file's change times.
    void Look();
    // Whether anything changed the table since Look().
    bool ChangedSinceLook();

  private:
    ChimTableIO& table_;
    File::ChangeTimes seen_;
};

}  // namespace chimdb
