#include "db/engine/staged_file.h"

#include "db/engine/db_error.h"
#include "db/engine/io_util.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace db {

StagedFile::StagedFile(std::string target) : m_target(std::move(target)) {
    m_fd.reset(createTempBeside(m_target, m_staged));
}

StagedFile::~StagedFile() {
    if (!m_committed)
        ::unlink(m_staged.c_str());
}

void StagedFile::append(std::string_view bytes) {
    writeAt(m_size, bytes);
}

void StagedFile::writeAt(std::uint64_t offset, std::string_view bytes) {
    if (m_committed || !m_fd.valid())
        throw DbError(m_target, "the file is no longer open for writing");
    pwriteFull(m_fd.get(), bytes.data(), bytes.size(), offset, m_target);
    if (offset + bytes.size() > m_size)
        m_size = offset + bytes.size();
}

void StagedFile::reopen() {
    m_fd.reset(::open(m_staged.c_str(), O_RDWR | O_CLOEXEC));
    if (!m_fd.valid())
        throw DbError(m_target, "cannot open the file being written: " + errnoText());
    // The new file under the staged name needs the staging lock the old one had (see
    // createTempBeside), or a cleaner would take it for one a killed process left.
    if (!takeStagingLock(m_fd.get(), m_staged))
        throw DbError(m_target, "the file being written was removed by another program");
    struct stat st {};
    if (::fstat(m_fd.get(), &st) != 0)
        throw DbError(m_target, "cannot read the file being written: " + errnoText());
    m_size = static_cast<std::uint64_t>(st.st_size);
}

void StagedFile::commit() {
    if (m_committed)
        return;
    // Renamed while still open, so that its staging lock keeps a cleaner away until then.
    if (::rename(m_staged.c_str(), m_target.c_str()) != 0)
        throw DbError(m_target, "cannot replace the file: " + errnoText());
    m_committed = true;
    m_fd.reset();
}

} // namespace db
