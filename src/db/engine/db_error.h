#pragma once

#include <stdexcept>
#include <string>

namespace db {

// The one error type of the engine. Its text names the file and says what is wrong;
// callers that handle database errors catch this type.
class DbError : public std::runtime_error {
public:
    DbError(const std::string &file, const std::string &what);
    explicit DbError(const std::string &what);

    const std::string &file() const { return m_file; }

private:
    std::string m_file;
};

} // namespace db
