#include "cardinreach.h"

#include "platform/platformadapter.h"
#include "storage/cardanswer.h"
#include "widgets/noticetext.h"

namespace Vexolo::Ui {

std::optional<CardChoice> findCardInTime(PlatformAdapter &platform, const QString &text, bool withTracks)
{
    auto found = answerInTime<CardChoice>([text, withTracks] { return CardStore::findCard(text, withTracks); });
    if (!found)
        platform.warn(CardNoAnswerMessage);
    return found;
}

} // namespace Vexolo::Ui
