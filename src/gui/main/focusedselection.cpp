#include "focusedselection.h"

#include <QAbstractItemView>
#include <QFocusEvent>

namespace Vexolo::Ui {

namespace {

class SelectionByFocus final : public QObject
{
public:
    explicit SelectionByFocus(QAbstractItemView &view)
        : QObject(&view)
        , m_view(view)
    {
        m_view.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        // Shown: the window's palette is final. The list's own context menu takes the focus for a moment:
        // the list stays the one keys act on.
        if (type == QEvent::Show || type == QEvent::FocusIn
            || (type == QEvent::FocusOut && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason))
            follow();
        return QObject::eventFilter(watched, event);
    }

private:
    void follow()
    {
        QPalette palette = m_view.parentWidget() ? m_view.parentWidget()->palette() : m_view.palette();
        if (!m_view.hasFocus()) {
            for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
                palette.setBrush(QPalette::Active, role, palette.brush(QPalette::Inactive, role));
        }
        m_view.setPalette(palette);
    }

    QAbstractItemView &m_view;
};

} // namespace

void showSelectionByFocus(QAbstractItemView &view)
{
    new SelectionByFocus(view);
}

} // namespace Vexolo::Ui
