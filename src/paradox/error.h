#pragma once

#include <stdexcept>
#include <string>

namespace tw::paradox {

// Every failure of the engine: the message says which file, what is wrong and where.
class Error : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

} // namespace tw::paradox
