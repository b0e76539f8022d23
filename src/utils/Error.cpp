#include "utils/Error.h"

#include <cerrno>

namespace utils {

Error::Error(const std::string& message)
    : std::runtime_error(message)
    , m_errno(errno)
{
}

Error::~Error() = default;

} // namespace utils
