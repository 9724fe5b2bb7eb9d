#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <string>

// Root may write anywhere, so a read-only file or folder means nothing to it. While this
// lives, a test that runs as root runs with the rights of the unprivileged user "nobody"
// (effective ids only, given back when it ends); other users keep their own. Whatever the
// test needs to read must be readable by others: `openUp` makes a folder so.
class OrdinaryUser {
public:
    OrdinaryUser() : m_wasRoot(::geteuid() == 0) {
        if (m_wasRoot && (::setegid(kNobody) != 0 || ::seteuid(kNobody) != 0))
            m_failed = true;
    }
    ~OrdinaryUser() {
        if (m_wasRoot) {
            (void)!::seteuid(0);
            (void)!::setegid(0);
        }
    }
    OrdinaryUser(const OrdinaryUser &) = delete;
    OrdinaryUser &operator=(const OrdinaryUser &) = delete;

    // False when the rights could not be given up (the test cannot see read-only files).
    [[nodiscard]] bool ok() const { return !m_failed; }

    // Lets others into a folder the test made (before an OrdinaryUser takes over).
    static void openUp(const std::string &folder) { ::chmod(folder.c_str(), 0755); }

private:
    static constexpr unsigned kNobody = 65534;
    bool m_wasRoot;
    bool m_failed = false;
};
