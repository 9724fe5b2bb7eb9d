#include "db/engine/db_error.h"

namespace db {

DbError::DbError(const std::string &file, const std::string &what)
    : std::runtime_error(file.empty() ? what : file + ": " + what), m_file(file) {}

DbError::DbError(const std::string &what) : std::runtime_error(what) {}

} // namespace db
