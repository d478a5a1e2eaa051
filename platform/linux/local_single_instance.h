#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "platform/single_instance.h"

class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace chimora::platform {

// A lock file that dies with its holder (QLockFile: a dead holder's lock is taken over) and a
// local socket on which the holder hears later starts. Both live in the user's runtime
// folder under a name made from the program folder's canonical path.
class LocalSingleInstance : public QObject, public SingleInstance {
  public:
    static constexpr const char* kShowRequest = "show\n";
    static constexpr const char* kShownReply = "shown\n";

    // runtimeFolder empty: $XDG_RUNTIME_DIR, or the temporary folder without one.
    explicit LocalSingleInstance(const std::string& programFolder,
                                 const std::string& runtimeFolder = {});
    ~LocalSingleInstance() override;

    Outcome Claim() override;
    void SetShowHandler(std::function<void()> handler) override { handler_ = std::move(handler); }
    std::string Problem() const override { return problem_; }

    const QString& LockPath() const { return lockPath_; }
    const QString& SocketPath() const { return socketPath_; }

  private:
    bool Listen();
    bool AskHolderToShow() const;
    void Answer();
    void ReadRequest(QLocalSocket& socket);

    QString lockPath_;
    QString socketPath_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
    std::function<void()> handler_;
    std::string problem_;
};

}  // namespace chimora::platform
