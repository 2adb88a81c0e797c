#pragma once

#include <QBrush>
#include <QWidget>

// A windowed control that paints its whole area itself: it never has its
// background erased, owns a brush and repaints whenever the brush changes.
class TOriginalControl : public QWidget
{
    Q_OBJECT
public:
    explicit TOriginalControl(QWidget* parent = nullptr);

    const QBrush& Brush() const { return brush; }
    void SetBrush(const QBrush& value);

    // With FullRepaint the whole control is repainted after a move or resize.
    bool FullRepaint() const { return fullRepaint; }
    void SetFullRepaint(bool value);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    QBrush brush{Qt::white};
    bool fullRepaint = true;
};
