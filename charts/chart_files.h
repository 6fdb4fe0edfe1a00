// A chart as a picture: an image for the clipboard, PNG and SVG files. Renders through a
// scene of its own, never a window, so it works on the offscreen platform.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <functional>

class QChart;
class QPainter;

namespace kelpo::charts {

inline constexpr QSize kChartSize{960, 600};

QImage chartImage(QChart& chart, QSize size = kChartSize);

// Writes the chart as SVG when path ends in .svg (any case), as PNG otherwise. The file
// is replaced only once the whole picture is written; an existing file is left as it was
// on failure. Throws kelpo::Error (InputOutput) naming the path and the reason.
void saveChart(QChart& chart, const QString& path, QSize size = kChartSize);

// The same for any drawing: paint draws the picture on a size-sized painter (white
// ground for PNG), as SVG or PNG by the path's ending, with the same failures.
void savePainting(const std::function<void(QPainter&)>& paint, const QString& path, QSize size = kChartSize);

}  // namespace kelpo::charts
