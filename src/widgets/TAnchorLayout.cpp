#include "widgets/TAnchorLayout.h"

#include <QEvent>
#include <algorithm>
#include <cmath>
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
    Place(child, rect, anchors, std::nullopt);
}

void TAnchorLayout::Place(QWidget* child, const QRect& rect, TAnchors anchors, THorizontalShare share)
{
    Place(child, rect, anchors, std::optional<THorizontalShare>(share));
}

void TAnchorLayout::Place(QWidget* child, const QRect& rect, TAnchors anchors, std::optional<THorizontalShare> share)
{
    child->setGeometry(rect);
    QWidget* parent = child->parentWidget();
    if (!parent)
        return;
    TAnchorLayout* layout = For(parent);
    const Entry entry{child, rect, layout->appliedSize, anchors, share};
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

QRect TAnchorLayout::Follow(const QRect& rect, QSize placedIn, QSize size, TAnchors anchors,
                            std::optional<THorizontalShare> share)
{
    int x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    const int dx = size.width() - placedIn.width();
    if (share) {
        // Rounded the same way for every child, so that neighbours meet.
        const int left = int(std::lround(dx * share->left)), right = int(std::lround(dx * share->right));
        x += left;
        w += right - left;
    } else {
        FollowAxis(x, w, dx, anchors & Anchor::Left, anchors & Anchor::Right);
    }
    FollowAxis(y, h, size.height() - placedIn.height(), anchors & Anchor::Top, anchors & Anchor::Bottom);
    return QRect(x, y, std::max(w, 0), std::max(h, 0));
}

void TAnchorLayout::Apply()
{
    const QSize size = parentWidget->size();
    appliedSize = size;
    for (const Entry& entry : entries) {
        if (entry.child)
            entry.child->setGeometry(Follow(entry.rect, entry.placedIn, size, entry.anchors, entry.share));
    }
}

bool TAnchorLayout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget && event->type() == QEvent::Resize)
        Apply();
    return false;
}
