#include "database/component.h"

#include <algorithm>

#include "chimdb/chim_session.h"
#include "chimdb/data_set_link.h"

namespace chimdb {

namespace {

template <typename T>
void Erase(std::vector<T*>& list, T* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}  // namespace

Component::Component(std::string name) : name_(std::move(name)) {}

Component::~Component() = default;

void Component::SetName(std::string name) {
    name_ = std::move(name);
    if (ChimSession* session = AutoNamedSession())
        session->ApplyAutoName();
}

void Component::AddDataSet(DataSetLink* dataSet) {
    if (dataSet == nullptr ||
        std::find(dataSets_.begin(), dataSets_.end(), dataSet) != dataSets_.end())
        return;
    dataSets_.push_back(dataSet);
    if (ChimSession* session = AutoNamedSession())
        if (dataSet->LinkSessionName() != session->SessionName())
            dataSet->OwnerSessionNameChanged(session->SessionName());
}

void Component::RemoveDataSet(DataSetLink* dataSet) {
    Erase(dataSets_, dataSet);
}

ChimSession* Component::AutoNamedSession() const {
    for (ChimSession* session : sessions_)
        if (session->AutoSessionName())
            return session;
    return nullptr;
}

void Component::AddSession(ChimSession* session) {
    sessions_.push_back(session);
}

void Component::RemoveSession(ChimSession* session) {
    Erase(sessions_, session);
}

void Component::AddDatabase(ChimDatabase* database) {
    databases_.push_back(database);
}

void Component::RemoveDatabase(ChimDatabase* database) {
    Erase(databases_, database);
}

}  // namespace chimdb
