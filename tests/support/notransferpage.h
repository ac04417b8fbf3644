#pragma once

#include "connect/transferpage.h"

namespace tw::test {

// A transfer page that is never opened, for tests of the connection page alone.
class NoTransferPage final : public connect::TransferPage
{
public:
    void Form_Load() override { ++loads; }

    void showPage() override { ++shows; }

    int loads = 0;
    int shows = 0;
};

} // namespace tw::test
