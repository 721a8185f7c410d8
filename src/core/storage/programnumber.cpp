#include "storage/programnumber.h"

namespace Vexolo {

std::optional<ProgramNumber> ProgramNumber::fromText(QStringView text)
{
    if (text.size() != 1 || text[0] < u'0' || text[0] > u'9')
        return {};
    return ProgramNumber(text[0].unicode() - u'0', Checked {});
}

std::array<ProgramNumber, ProgramNumber::Count> ProgramNumber::all()
{
    return {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
}

ProgramNumber ProgramNumber::stepped(int delta) const
{
    return ProgramNumber(((m_value + delta) % Count + Count) % Count, Checked {});
}

} // namespace Vexolo
