#include "charts/chart_files.h"

#include <QChart>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

#include "core/error.h"

namespace kelpo::charts {

namespace {

// Lends the chart to a scene for one paint and takes it back, so the caller keeps it.
void paintChart(QChart& chart, QPainter& painter, QSize size) {
    QGraphicsScene scene;
    scene.addItem(&chart);
    chart.setGeometry(QRectF(QPointF(0, 0), QSizeF(size)));
    if (chart.layout()) chart.layout()->activate();
    const QRectF area(QPointF(0, 0), QSizeF(size));
    scene.setSceneRect(area);
    scene.render(&painter, area, area);
    scene.removeItem(&chart);
}

[[noreturn]] void fail(const QString& path, const QString& reason) {
    throw Error(ErrorKind::InputOutput,
                QStringLiteral("The chart could not be saved to %1: %2").arg(path, reason).toStdString());
}

}  // namespace

QImage chartImage(QChart& chart, QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintChart(chart, painter, size);
    return image;
}

void saveChart(QChart& chart, const QString& path, QSize size) {
    savePainting([&chart, size](QPainter& painter) { paintChart(chart, painter, size); }, path, size);
}

void savePainting(const std::function<void(QPainter&)>& paint, const QString& path, QSize size) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) fail(path, file.errorString());
    if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(QStringLiteral("Kelpo chart"));
        QPainter painter(&svg);
        paint(painter);
        painter.end();
    } else {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            paint(painter);
        }
        if (!image.save(&file, "PNG")) {
            file.cancelWriting();
            fail(path, QStringLiteral("the picture could not be encoded"));
        }
    }
    if (!file.commit()) fail(path, file.errorString());
}

}  // namespace kelpo::charts
