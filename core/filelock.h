#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

// Advisory locks between running programs on the files they replace and the
// documents they hold open. A lock is a flock() on a small file in the
// user's runtime folder ($XDG_RUNTIME_DIR/stilora, or a private folder in
// /tmp), named after the file's canonical path, never beside the user's
// documents. The kernel lets go of a killed program's locks.
namespace filelock {

// The file a path stands for: symbolic links resolved, a missing file by its
// folder's canonical path and its name.
QByteArray canonical(const QByteArray& path);

// The folder of the lock files; empty when there is none to use.
QString folder();

// Exclusive locks on files, taken together in one order so that two programs
// that want the same files never wait for each other in a circle.
class Exclusive {
public:
    Exclusive() = default;
    ~Exclusive();
    Exclusive(Exclusive&&) noexcept;
    Exclusive& operator=(Exclusive&&) noexcept;

    // Waits up to `waitMs` for each; false, with the file that stayed taken
    // in `busy`, when another program kept one. Without a lock folder it
    // takes nothing and succeeds: the files are saved unguarded rather than
    // not at all.
    bool lock(const std::vector<QByteArray>& paths, int waitMs, QByteArray* busy);
    void unlock();

private:
    std::vector<int> m_fds;
    std::vector<QByteArray> m_names;
};

// Shared locks: readers of a pair that may not see one file old and the other new.
class Shared {
public:
    Shared() = default;
    ~Shared();
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;
    bool lock(const std::vector<QByteArray>& paths, int waitMs, QByteArray* busy);

private:
    std::vector<int> m_fds;
    std::vector<QByteArray> m_names;
};

// A document a program holds open: a shared lock that another program's
// question "is it open anywhere?" finds, released when the mark goes or the
// program dies.
class OpenMark {
public:
    explicit OpenMark(const QByteArray& path);
    ~OpenMark();
    OpenMark(const OpenMark&) = delete;
    OpenMark& operator=(const OpenMark&) = delete;
    // Whether another program holds a mark on this file.
    static bool heldElsewhere(const QByteArray& path);

private:
    int m_fd = -1;
    QByteArray m_name;
};

// How long a writer waits for another program's replacement of the same file.
int waitMs();
void setWaitMs(int ms); // tests

} // namespace filelock
