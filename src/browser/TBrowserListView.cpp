#include "browser/TBrowserListView.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace {

void Run(const std::function<void()>& handler)
{
    if (handler)
        handler();
}

} // namespace

TBrowserListView::TBrowserListView(QWidget* parent) : QListView(parent)
{
}

bool TBrowserListView::ClaimsKey(const QKeyEvent& key)
{
    const auto modifiers = key.modifiers() & ~Qt::KeypadModifier;
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Delete:
        return !(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    case Qt::Key_A:
        return modifiers == Qt::ControlModifier;
    case Qt::Key_Space:
        return modifiers == Qt::NoModifier;
    default:
        return false;
    }
}

bool TBrowserListView::Claims(const QKeyEvent& key) const
{
    if (ClaimsKey(key))
        return true;
    return ClaimEscape && key.key() == Qt::Key_Escape && (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

bool TBrowserListView::event(QEvent* event)
{
    // Claimed keys come to keyPressEvent rather than to a menu or window
    // shortcut that might carry the same key.
    if (event->type() == QEvent::ShortcutOverride && Claims(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QListView::event(event);
}

void TBrowserListView::keyPressEvent(QKeyEvent* event)
{
    if (!Claims(*event)) {
        keyboardRange = event->modifiers() & Qt::ShiftModifier;
        QListView::keyPressEvent(event);
        keyboardRange = false;
        return;
    }
    event->accept();
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: Run(OnActivateKey); break;
    case Qt::Key_Delete: Run(OnDeleteKey); break;
    case Qt::Key_Space: Run(OnSpaceKey); break;
    case Qt::Key_Escape: Run(OnEscapeKey); break;
    default: Run(OnSelectAllKey); break;
    }
}

void TBrowserListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QListView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        Run(OnDblClick);
}

void TBrowserListView::resizeEvent(QResizeEvent* event)
{
    QListView::resizeEvent(event);
    Run(OnResize);
}

void TBrowserListView::wheelEvent(QWheelEvent* event)
{
    event->accept();
    const int angle = event->angleDelta().y();
    if (event->modifiers() & Qt::ControlModifier) {
        zoomAngle += angle;
        const int steps = zoomAngle / 120;
        zoomAngle -= steps * 120;
        if (steps != 0 && OnZoomWheel)
            OnZoomWheel(steps);
        return;
    }
    zoomAngle = 0;
    wheelAngle += angle;
    const int rows = wheelAngle / 120;
    wheelAngle -= rows * 120;
    if (rows != 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() - rows * rowHeight);
}

void TBrowserListView::doItemsLayout()
{
    QListView::doItemsLayout();
    Run(OnItemsLayout);
}

void TBrowserListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command)
{
    // The view passes the rectangle from the anchor's centre to the new current item's centre.
    const QModelIndex anchor = indexAt(rect.topLeft());
    const QModelIndex current = indexAt(rect.bottomRight());
    if (!keyboardRange || !anchor.isValid() || !current.isValid()) {
        QListView::setSelection(rect, command);
        return;
    }
    const int first = std::min(anchor.row(), current.row());
    const int last = std::max(anchor.row(), current.row());
    selectionModel()->select(QItemSelection(model()->index(first, 0), model()->index(last, 0)), command);
}

void TBrowserListView::SetContentsSize(QSize size)
{
    resizeContents(size.width(), size.height());
    updateGeometries();
}
