// The grid's drawing surface.
#include "grid/grid_surface.h"

#include <QMouseEvent>
#include <QPainter>
#include <utility>

namespace kelpo {

GridSurface::GridSurface(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);  // the grid reports every move, not only drags
    setAttribute(Qt::WA_OpaquePaintEvent);  // the background picture covers every pixel
}

void GridSurface::setPainter(Painter painter) {
    painter_ = std::move(painter);
}

void GridSurface::paintEvent(QPaintEvent*) {
    if (painter_) {
        QPainter painter(this);
        painter_(painter);
    }
}

void GridSurface::mousePressEvent(QMouseEvent* event) {
    emit pressed(event->position());
}

void GridSurface::mouseMoveEvent(QMouseEvent* event) {
    emit moved(event->position());
}

}  // namespace kelpo
