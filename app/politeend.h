#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM and SIGHUP (a shutdown without a session manager, `kill`, a
// closed terminal) ask the program to end. The signal handler only writes a
// byte into a pipe; the event loop reads it and says so with `requested`,
// where the program can take its last recovery copy and end in order.
class PoliteEnd : public QObject {
    Q_OBJECT
public:
    explicit PoliteEnd(QObject* parent = nullptr);
    ~PoliteEnd() override;

signals:
    void requested(int signal);

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};
