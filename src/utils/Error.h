#pragma once

#include <stdexcept>
#include <string>

namespace utils {

// The program's one exception class; it keeps the errno value current when it was made.
class Error : public std::runtime_error
{
public:
    explicit Error(const std::string& message);
    ~Error() override;

    int savedErrno() const { return m_errno; }

private:
    int m_errno;
};

} // namespace utils
