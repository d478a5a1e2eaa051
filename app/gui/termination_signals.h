#pragma once

#include <QObject>

class QSocketNotifier;

namespace chimora {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the user-interface thread, so that a
// program asked to end (the system shutting down, the session closing, Ctrl+C in a terminal)
// still closes its database file properly instead of dying in the middle.
class TerminationSignals : public QObject {
    Q_OBJECT

  public:
    // One instance per process.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

  signals:
    void requested(int signalNumber);

  private:
    static void OnSignal(int signalNumber);
    void Deliver();

    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace chimora
