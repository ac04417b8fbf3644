#pragma once

namespace tw::connect {

// What the connection page needs of the transfer page: its load, which rebuilds both
// lists, and showing it (the first showing loads it too).
class TransferPage
{
public:
    virtual ~TransferPage() = default;
    virtual void Form_Load() = 0;
    virtual void showPage() = 0;

protected:
    TransferPage() = default;
    TransferPage(const TransferPage &) = default;
    TransferPage &operator=(const TransferPage &) = default;
};

} // namespace tw::connect
