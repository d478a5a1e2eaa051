#include "chimdb/cdb_data_set.h"

#include "chimdb/chim_database.h"
#include "chimdb/chim_session.h"
#include "chimdb/chim_session_list.h"
#include "database/component.h"

namespace chimdb {

CDBDataSet::CDBDataSet(Component* owner) : owner_(owner) {
    if (owner_ != nullptr)
        owner_->AddDataSet(this);
}

CDBDataSet::~CDBDataSet() {
    // The derived table has closed itself; a database still registered must forget us.
    if (database_ != nullptr) {
        database_->UnregisterTable(this);
        database_ = nullptr;
    }
    if (owner_ != nullptr)
        owner_->RemoveDataSet(this);
}

void CDBDataSet::CheckInactive() const {
    if (Active())
        RaiseError("Cannot perform this operation on an open dataset");
}

void CDBDataSet::SetDatabaseName(const std::string& name) {
    CheckInactive();
    if (database_ != nullptr)
        RaiseError("Cannot perform this operation on an open database");
    databaseName_ = name;
}

void CDBDataSet::SetSessionName(const std::string& name) {
    CheckInactive();
    sessionName_ = name;
}

void CDBDataSet::OwnerSessionNameChanged(const std::string& sessionName) {
    if (!Active())
        sessionName_ = sessionName;
}

void CDBDataSet::SetMediumType(ChimDBMediumType medium) {
    CheckInactive();
    medium_ = medium;
    if (ChimSession* session = ChimSessionList::Instance().FindSession(sessionName_)) {
        if (ChimDatabase* database = session->FindDatabase(databaseName_);
            database != nullptr && !database->Connected())
            database->SetMediumType(medium);
    }
}

void CDBDataSet::SetPassword(const std::string& password) {
    ChimSession& session = ChimSessionList::Instance().GetSession(sessionName_);
    ChimDatabase& database = session.AcquireDatabase(databaseName_, false, medium_);
    database.SetPassword(password);
}

void CDBDataSet::OpenDatabase() {
    ChimSession& session = ChimSessionList::Instance().GetSession(sessionName_);
    ChimDatabase& database = session.AcquireDatabase(databaseName_, true, medium_);
    session_ = &session;
    database_ = &database;
    databaseGoing_ = false;
    database.RegisterTable(this);
    try {
        database.CheckCanAccess();
    } catch (...) {
        CloseDatabase();
        throw;
    }
}

void CDBDataSet::CloseDatabase() {
    if (database_ == nullptr)
        return;
    ChimDatabase* database = database_;
    database_ = nullptr;
    database->UnregisterTable(this);
    if (!databaseGoing_ && session_ != nullptr)
        session_->ReleaseDatabase(*database);
    session_ = nullptr;
    databaseGoing_ = false;
}

void CDBDataSet::ConnectionChanged(bool) {}

void CDBDataSet::CloseDataSet() {
    databaseGoing_ = true;
    if (Active())
        Close();
    else
        CloseDatabase();
}

}  // namespace chimdb
