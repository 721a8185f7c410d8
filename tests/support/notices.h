#pragma once

#include "widgets/noticetext.h"

// What the card store told, as its message boxes word it (the cause's line included), one after another.
inline QString texts(const Vexolo::Notices &notices)
{
    QStringList list;
    for (const Vexolo::Notice &notice : notices)
        list.append(Vexolo::Ui::noticeText(notice));
    return list.join(u'|');
}
