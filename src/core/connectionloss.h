#pragma once

namespace tw {

// Mixed into an error that can mean the connection to a data source is gone, after which
// every later statement on it fails too: the error trap remembers such a failure, and a
// handler stops its work after one report instead of one per statement.
class ConnectionLoss
{
public:
    virtual bool connectionLost() const = 0;

protected:
    ConnectionLoss() = default;
    ConnectionLoss(const ConnectionLoss &) = default;
    ConnectionLoss &operator=(const ConnectionLoss &) = default;
    ~ConnectionLoss() = default;
};

} // namespace tw
