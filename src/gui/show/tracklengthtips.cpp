#include "tracklengthtips.h"

#include "show/trackmedia.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

using namespace Vexolo;

namespace {

// The row's own tooltip (its name, in full), and a line below it, when there is one.
QString tipText(const QString &rowTip, const QString &line)
{
    return rowTip.isEmpty() || line.isEmpty() ? rowTip + line : rowTip + u'\n' + line;
}

} // namespace

TrackLengthTips::TrackLengthTips(QAbstractItemView &list, TrackMedia &media, int nameRole,
                                 std::function<QString(const QModelIndex &)> words)
    : QObject(&list)
    , m_list(list)
    , m_media(media)
    , m_nameRole(nameRole)
    , m_words(std::move(words))
{
    list.viewport()->installEventFilter(this);
    connect(&media, &TrackMedia::lengthRead, this, &TrackLengthTips::lengthRead);
}

bool TrackLengthTips::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QObject::eventFilter(watched, event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const QModelIndex index = m_list.indexAt(help->pos());
    m_waiting.clear();
    if (!index.isValid()) {
        QToolTip::hideText();
        return true;
    }
    const QString name = index.data(m_nameRole).toString();
    const QString words = m_words ? m_words(index) : QString();
    const QString rowTip = tipText(index.data(Qt::ToolTipRole).toString(), words);
    const std::optional<TrackLength> length = m_media.length(name);
    if (!length) {
        m_waiting = name;
        m_at = help->globalPos();
        m_tip = rowTip;
    }
    QToolTip::showText(help->globalPos(),
                       tipText(rowTip, length ? lengthText(*length) : QStringLiteral("reading the length\u2026")),
                       m_list.viewport(), m_list.visualRect(index));
    return true;
}

void TrackLengthTips::lengthRead(const QString &trackName)
{
    if (trackName != m_waiting || !QToolTip::isVisible())
        return;
    m_waiting.clear();
    QToolTip::showText(m_at, tipText(m_tip, lengthText(m_media.length(trackName).value_or(std::nullopt))),
                       m_list.viewport());
}
