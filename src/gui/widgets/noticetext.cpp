#include "noticetext.h"

namespace Vexolo::Ui {

QString noticeText(const Notice &notice)
{
    switch (notice.error.cause) {
    case CardError::Full:
        return notice.text + QStringLiteral("\nThe card is full.");
    case CardError::ReadOnly:
        return notice.text + QStringLiteral("\nThe card is write-protected.");
    case CardError::Gone:
        return notice.text + QStringLiteral("\nThe card was removed.");
    default:
        return notice.text; // another card in its place says so itself; other errors name no cause to act on
    }
}

} // namespace Vexolo::Ui
