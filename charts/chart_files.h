// A chart as a picture: an image for the clipboard, PNG and SVG files. Renders through a
// scene of its own, never a window, so it works on the offscreen platform.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

class QChart;

namespace kelpo::charts {

inline constexpr QSize kChartSize{960, 600};

QImage chartImage(QChart& chart, QSize size = kChartSize);

// Writes the chart as SVG when path ends in .svg (any case), as PNG otherwise. The file
// is replaced only once the whole picture is written; an existing file is left as it was
// on failure. Throws kelpo::Error (InputOutput) naming the path and the reason.
void saveChart(QChart& chart, const QString& path, QSize size = kChartSize);

}  // namespace kelpo::charts
