#include "storage/cardanswer.h"

namespace Vexolo {

namespace {

std::atomic<std::chrono::milliseconds::rep> g_limit = 4000;

} // namespace

std::chrono::milliseconds cardAnswerLimit()
{
    return std::chrono::milliseconds(g_limit.load());
}

void setCardAnswerLimit(std::chrono::milliseconds limit)
{
    g_limit = limit.count();
}

} // namespace Vexolo
