#pragma once

#include <string>
#include <vector>

namespace chimdb {

class ChimSession;
class ChimDatabase;
class DataSetLink;

// A named owner of sessions, databases and tables (a window or a data module of the program).
// The store uses it only for automatic session names: a session with AutoSessionName takes
// its name from its owner and hands it to the databases and tables of the same owner. The
// owner only refers to its members; it must outlive them (each removes itself when it goes).
class Component {
  public:
    explicit Component(std::string name = {});
    ~Component();
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    const std::string& Name() const { return name_; }
    // Renames the owner; an automatically named session of it is named again.
    void SetName(std::string name);

    const std::vector<ChimSession*>& Sessions() const { return sessions_; }
    const std::vector<ChimDatabase*>& Databases() const { return databases_; }
    const std::vector<DataSetLink*>& DataSets() const { return dataSets_; }

    // A table of this owner; it takes the owner's automatic session name at once.
    void AddDataSet(DataSetLink* dataSet);
    void RemoveDataSet(DataSetLink* dataSet);

    // The session of this owner that has AutoSessionName on, or nullptr.
    ChimSession* AutoNamedSession() const;

  private:
    friend class ChimSession;
    friend class ChimDatabase;
    void AddSession(ChimSession* session);
    void RemoveSession(ChimSession* session);
    void AddDatabase(ChimDatabase* database);
    void RemoveDatabase(ChimDatabase* database);

    std::string name_;
    std::vector<ChimSession*> sessions_;
    std::vector<ChimDatabase*> databases_;
    std::vector<DataSetLink*> dataSets_;
};

}  // namespace chimdb
