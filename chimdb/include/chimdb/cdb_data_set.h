#pragma once

#include <string>

#include "chimdb/data_set.h"
#include "chimdb/data_set_link.h"
#include "chimdb/medium_type.h"

namespace chimdb {

class ChimDatabase;
class ChimSession;
class Component;

// A dataset bound to a database by name through a session. While the dataset is open it
// holds the database (one reference) and is registered with it; closing gives both back, so
// that the last table closed on a file closes the file.
class CDBDataSet : public DataSet, public DataSetLink {
  public:
    // owner: the component the table belongs to (may be null).
    explicit CDBDataSet(Component* owner = nullptr);
    ~CDBDataSet() override;

    const std::string& DatabaseName() const { return databaseName_; }
    // Only while closed ("Cannot perform this operation on an open dataset").
    virtual void SetDatabaseName(const std::string& name);
    const std::string& SessionName() const { return sessionName_; }
    void SetSessionName(const std::string& name);
    ChimDBMediumType MediumType() const { return medium_; }
    // Only while closed; also set on the session's database of that name, if there is one.
    void SetMediumType(ChimDBMediumType medium);

    // Acquires the database (connecting it, without holding it) and hands it the password.
    void SetPassword(const std::string& password);

    // The database held while open; nullptr while closed.
    ChimDatabase* Database() const { return database_; }
    Component* Owner() const { return owner_; }

    // DataSetLink.
    void ConnectionChanged(bool connected) override;
    void CloseDataSet() override;
    void MediumTypeChanged(ChimDBMediumType medium) override { medium_ = medium; }
    void OwnerSessionNameChanged(const std::string& sessionName) override;
    std::string LinkSessionName() const override { return sessionName_; }

  protected:
    // The open steps that lie before the table is opened: session, database (held and
    // registered) and the access check. Undone on failure.
    void OpenDatabase();
    // Unregisters and gives the database back.
    void CloseDatabase();
    void CheckInactive() const;

  private:
    Component* owner_;
    std::string databaseName_;
    std::string sessionName_;
    ChimDBMediumType medium_ = ChimDBMediumType::mtDisk;
    ChimDatabase* database_ = nullptr;
    ChimSession* session_ = nullptr;
    // The database is disconnecting and lets its tables go itself.
    bool databaseGoing_ = false;
};

}  // namespace chimdb
