#pragma once

#include <QImage>
#include <QStringList>
#include <QWidget>

// A larger picture of one scene with its caption and origin, shown beside the
// scene list. It is a tool tip window: it never takes the focus, so the list
// keeps its keys (Space shows and hides it, Esc closes it).
class TScenePreview : public QWidget
{
    Q_OBJECT
public:
    // The box the picture is fitted into (its aspect ratio kept).
    static constexpr int BoxWidth = 480;
    static constexpr int BoxHeight = 360;

    explicit TScenePreview(QWidget* owner);

    // Shows picture (fitted into the box) with one line per text under it,
    // beside `item` (global coordinates): left of it when there is room on
    // the screen, otherwise right of it.
    void ShowScene(int index, const QImage& picture, const QStringList& lines, const QRect& item);
    // The scene shown, -1 when hidden.
    int Index() const { return isVisible() ? index : -1; }
    const QStringList& Lines() const { return lines; }
    const QImage& Picture() const { return picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int index = -1;
    QImage picture;
    QStringList lines;
};
