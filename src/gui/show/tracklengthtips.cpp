#include "tracklengthtips.h"
#include "words/switchwords.h"

#include "show/trackmedia.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QPointer>
#include <QToolTip>

using namespace Vexolo;

namespace {

// A text and a line below it, when there is one.
QString withLine(const QString &text, const QString &line)
{
    return text.isEmpty() || line.isEmpty() ? text + line : text + u'\n' + line;
}

} // namespace

TrackLengthTips::TrackLengthTips(QAbstractItemView &list, TrackMedia &media, int nameRole, Words words)
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
    ++m_asked;
    m_name.clear();
    if (!index.isValid()) {
        QToolTip::hideText();
        return true;
    }
    // The row's own tooltip (its name, in full), then the words, then the length, each as it is there.
    m_name = index.data(m_nameRole).toString();
    m_at = help->globalPos();
    m_rect = m_list.visualRect(index);
    m_rowTip = index.data(Qt::ToolTipRole).toString();
    m_wordsText.clear();
    m_showing = true;
    if (m_words) {
        m_words(index, [tips = QPointer(this), asked = m_asked](const QString &words) {
            if (tips)
                tips->wordsRead(asked, words);
        });
    }
    m_showing = false;
    show(true);
    return true;
}

void TrackLengthTips::show(bool always)
{
    if (m_name.isEmpty() || m_showing || (!always && !QToolTip::isVisible()))
        return;
    const std::optional<TrackLength> length = m_media.length(m_name);
    const QString text = withLine(withLine(m_rowTip, m_wordsText),
                                  length ? lengthText(*length) : QStringLiteral("reading the length\u2026"));
    QToolTip::showText(m_at, text, m_list.viewport(), m_rect);
}

void TrackLengthTips::lengthRead(const QString &trackName)
{
    if (trackName == m_name)
        show(false);
}

void TrackLengthTips::wordsRead(quint64 asked, const QString &words)
{
    if (asked != m_asked)
        return;
    m_wordsText = words;
    show(false);
}
