#pragma once

namespace chimdb {

class ChimDatabase;
class ChimDBFileIO;

// Many writes to one database file as one run: while a WriteBatch lives, the file lock is
// held and the writes of every table of the database are held in memory (reads see them at
// once); they reach the file together when the batch ends. Like SQLite's BEGIN ... COMMIT
// around many inserts, but no rollback: every write made in a batch stays made, also when a
// later one fails. The file is whole at every step of the write-out (see the store's design
// notes). Other programs that want the file meanwhile wait, and one that waits is let in
// between two writes within milliseconds; still, keep a batch to a run of writes (a batch of
// new entries), not to the life of a dialog.
class WriteBatch {
  public:
    // The database must be connected and stay so while the batch lives.
    explicit WriteBatch(ChimDatabase& database);
    // Ends the batch as Finish does; a failure to write is not reported from here (call
    // Finish to hear of it): what the tables keep is then read again from the file.
    ~WriteBatch();
    WriteBatch(const WriteBatch&) = delete;
    WriteBatch& operator=(const WriteBatch&) = delete;

    // Writes everything out and ends the batch; raises when writing fails.
    void Finish();

  private:
    ChimDBFileIO* io_;
};

}  // namespace chimdb
