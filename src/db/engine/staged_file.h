#pragma once

#include "db/engine/unique_fd.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace db {

// A new file written beside its target under a hidden name and renamed into place by
// commit(), so the target is never seen half-written: until then it stays as it was, and
// a file given up (an error, a write that failed, no commit) is removed.
//
// There is no fsync: the files made this way are copies that can be made again (exports),
// and a pass over hundreds of megabytes should not wait for the disk.
class StagedFile {
public:
    // Throws DbError when no file can be made in the target's directory.
    explicit StagedFile(std::string target);
    ~StagedFile();
    StagedFile(const StagedFile &) = delete;
    StagedFile &operator=(const StagedFile &) = delete;

    [[nodiscard]] const std::string &target() const { return m_target; }
    [[nodiscard]] const std::string &stagedPath() const { return m_staged; }
    // Bytes written so far (or the size the file had when reopened).
    [[nodiscard]] std::uint64_t size() const { return m_size; }

    // Appends at the end; DbError naming the target when the disk is full or failing.
    void append(std::string_view bytes);
    // Writes at an offset inside what is written.
    void writeAt(std::uint64_t offset, std::string_view bytes);
    // Opens the staged name again after something else replaced the file under it (the
    // table creator builds its files by renaming); later appends go to its end.
    void reopen();
    // Renames the file over the target. Nothing more may be written.
    void commit();

private:
    std::string m_target;
    std::string m_staged;
    UniqueFd m_fd;
    std::uint64_t m_size = 0;
    bool m_committed = false;
};

} // namespace db
