#include "cardinreach.h"

#include "platform/platformadapter.h"
#include "storage/cardanswer.h"
#include "widgets/noticetext.h"

namespace Vexolo::Ui {

std::optional<CardChoice> findCardInTime(PlatformAdapter &platform, const QString &text, bool withTracks, FileOps &ops)
{
    // ops lives as long as the program (the system's calls) or the test that made it.
    auto found
        = answerInTime<CardChoice>([text, withTracks, &ops] { return CardStore::findCard(text, withTracks, ops); });
    if (!found)
        platform.warn(CardNoAnswerMessage);
    return found;
}

} // namespace Vexolo::Ui
