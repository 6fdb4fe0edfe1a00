// The grid's drawing surface: paints through its owner and reports presses and
// pointer moves in its own pixel coordinates.
#pragma once

#include <QPointF>
#include <QWidget>
#include <functional>

class QPainter;

namespace kelpo {

class GridSurface : public QWidget {
    Q_OBJECT
public:
    using Painter = std::function<void(QPainter&)>;

    explicit GridSurface(QWidget* parent);
    void setPainter(Painter painter);

signals:
    void pressed(QPointF position);
    void moved(QPointF position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    Painter painter_;
};

}  // namespace kelpo
