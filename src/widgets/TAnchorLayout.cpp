#include "widgets/TAnchorLayout.h"

#include <QEvent>
#include <algorithm>
#include <QWidget>

TAnchorLayout::TAnchorLayout(QWidget* parent)
    : QObject(parent)
    , parentWidget(parent)
    , appliedSize(parent->size())
{
    parent->installEventFilter(this);
}

TAnchorLayout* TAnchorLayout::For(QWidget* parent)
{
    if (auto* existing = parent->findChild<TAnchorLayout*>(QString(), Qt::FindDirectChildrenOnly))
        return existing;
    return new TAnchorLayout(parent);
}

void TAnchorLayout::Place(QWidget* child, const QRect& rect, TAnchors anchors)
{
    child->setGeometry(rect);
    QWidget* parent = child->parentWidget();
    if (!parent)
        return;
    TAnchorLayout* layout = For(parent);
    const Entry entry{child, rect, layout->appliedSize, anchors};
    const auto existing = std::find_if(layout->entries.begin(), layout->entries.end(),
                                       [&](const Entry& e) { return e.child == child; });
    if (existing != layout->entries.end())
        *existing = entry;
    else
        layout->entries.push_back(entry);
    if (parent->size() != layout->appliedSize)
        layout->Apply();
}

static void FollowAxis(int& start, int& length, int delta, bool nearEdge, bool farEdge)
{
    if (nearEdge && farEdge)
        length += delta;
    else if (farEdge)
        start += delta;
    else if (!nearEdge)
        start += delta / 2;
}

QRect TAnchorLayout::Follow(const QRect& rect, QSize placedIn, QSize size, TAnchors anchors)
{
    int x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    FollowAxis(x, w, size.width() - placedIn.width(), anchors & Anchor::Left, anchors & Anchor::Right);
    FollowAxis(y, h, size.height() - placedIn.height(), anchors & Anchor::Top, anchors & Anchor::Bottom);
    return QRect(x, y, std::max(w, 0), std::max(h, 0));
}

void TAnchorLayout::Apply()
{
    const QSize size = parentWidget->size();
    appliedSize = size;
    for (const Entry& entry : entries) {
        if (entry.child)
            entry.child->setGeometry(Follow(entry.rect, entry.placedIn, size, entry.anchors));
    }
}

bool TAnchorLayout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget && event->type() == QEvent::Resize)
        Apply();
    return false;
}
