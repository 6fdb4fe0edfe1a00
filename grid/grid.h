// The matrix grid control: shows a sparse table of cell texts with a header row
// (site names) and a header column (species names), and edits one cell at a
// time in a box floating over the current cell.
#pragma once

#include "grid/cell_block.h"
#include "grid/grid_drawing.h"
#include "grid/grid_geometry.h"
#include "matrix/sparse_array.h"

#include <QColor>
#include <QKeySequence>
#include <QPixmap>
#include <QRect>
#include <QSize>
#include <QString>
#include <QVariantMap>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QKeyEvent;
class QLineEdit;
class QScrollBar;

namespace kelpo {

class GridSurface;

class Grid : public QWidget {
    Q_OBJECT
    // The persisted properties, under their stored names.
    Q_PROPERTY(int CellHeight READ CellHeight WRITE setCellHeight)
    Q_PROPERTY(int CellWidth READ CellWidth WRITE setCellWidth)
    Q_PROPERTY(int GridRows READ RowTotal WRITE setRowTotal)
    Q_PROPERTY(int GridCols READ ColTotal WRITE setColTotal)
    Q_PROPERTY(int MaxLength READ MaxLength WRITE setMaxLength)
    Q_PROPERTY(QString GridToolTipText READ GridToolTipText WRITE setGridToolTipText)

public:
    // Whether PrintMatrix's row and column name a cell or a slot on screen.
    enum class Position { Cell, Slot };

    static constexpr int kDefaultCellWidth = 60;
    static constexpr int kDefaultCellHeight = 20;
    static constexpr int kScrollBarThickness = 17;

    explicit Grid(QWidget* parent = nullptr);

    // Property bag: only values that differ from the defaults are written,
    // numbers as decimal text; reading lays the grid out once.
    QVariantMap WriteProperties() const;
    void ReadProperties(const QVariantMap& bag);

    // Footprint on screen: the cells shown plus the scroll bars that are on.
    int PrintedHeight() const;
    int PrintedWidth() const;

    QString GridToolTipText() const;
    void setGridToolTipText(const QString& text);

    std::int32_t TextRow() const { return textRow_; }
    std::int32_t TextCol() const { return textCol_; }

    int MaxLength() const { return maxLength_; }  // 0: no limit
    void setMaxLength(int length);

    int CellWidth() const { return cellWidth_; }
    void setCellWidth(int width);
    int CellHeight() const { return cellHeight_; }
    void setCellHeight(int height);

    // Data rows and columns; writing lays out again and leaves the cells alone.
    std::int32_t Rows() const { return rowTotal_ - 1; }
    void setRows(std::int32_t rows);
    std::int32_t Cols() const { return colTotal_ - 1; }
    void setCols(std::int32_t cols);
    // The same with the header row (column) counted.
    std::int32_t RowTotal() const { return rowTotal_; }
    void setRowTotal(std::int32_t total);
    std::int32_t ColTotal() const { return colTotal_; }
    void setColTotal(std::int32_t total);

    // A copy of every cell, the text being typed included.
    SparseArray GetMatrix();
    // Clears the stored cells at or beyond the offsets, then writes every cell of
    // `cells` shifted by them. With offsets 0 and 0 the grid shows just `cells`.
    void SetMatrix(const SparseArray& cells, std::int32_t rowOffset, std::int32_t colOffset);
    // Reads and writes the store directly: no redraw, the edit box is not refreshed.
    void SetText(std::string_view text, std::int32_t row, std::int32_t col);
    std::string GetText(std::int32_t row, std::int32_t col) const;

    // Redraws the visible slots and frames (row, col) unless noFrame is set or
    // the cell is out of view.
    void PrintMatrix(std::int32_t row, std::int32_t col, Position mode = Position::Cell, bool noFrame = false);
    // true unlocks the header row and column for editing, false locks them.
    void EditHeaders(bool editable);
    bool GetEdit() const { return headersEditable_; }
    // New numbers of data rows and columns; cells beyond them are dropped.
    void ResizeMatrix(std::int32_t rows, std::int32_t cols);
    // Commits, hides the edit box and drops the current-cell frame.
    void HideSelection();

    // View state, for the main window and for tests.
    int VisibleRows() const { return visibleRows_; }
    int VisibleCols() const { return visibleCols_; }
    int VerticalScroll() const;    // data rows scrolled out above
    int HorizontalScroll() const;  // data columns scrolled out on the left
    void setVerticalScroll(int value);
    void setHorizontalScroll(int value);
    bool VerticalBarOn() const { return verticalBarOn_; }
    bool HorizontalBarOn() const { return horizontalBarOn_; }
    bool EditBoxVisible() const;
    QRect EditBoxGeometry() const;  // in drawing-surface pixels
    QString EditBoxText() const;
    QColor HeaderColour() const { return headerColour_; }
    // The slot framed as current, nullopt when no frame is drawn.
    std::optional<grid::CellIndex> FramedSlot() const { return framedSlot_; }

    // The selected block: from the anchor of a Shift move or drag to the current cell,
    // else the current cell alone.
    grid::CellRange Selection() const;
    // Every data cell, the current cell going to the first.
    void SelectAll();
    // Makes a cell current and scrolls it into view; the selection goes.
    void SetCurrentCell(std::int32_t row, std::int32_t col);
    // Writes the text still being typed into the store (and reports it as an edit).
    void CommitEdit() { commitEditBox(); }
    // Replaces the store by exactly these cells, or writes one cell, and shows the
    // result; neither counts as an edit of the user.
    void RestoreMatrix(const SparseArray& cells);
    void WriteCell(std::int32_t row, std::int32_t col, const std::string& text);

signals:
    // The user changed a cell's text in the edit box.
    void CellEdited(std::int32_t row, std::int32_t col, const QString& before, const QString& after);
    // An editing key the window carries out: copy, cut, paste, undo, redo, select all,
    // or Delete over a block.
    void EditCommand(QKeySequence::StandardKey key);

    // The pointer moved over the drawing surface; pixels from its top-left corner.
    void MouseMove(double x, double y);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void relayout();
    void chooseScrollBars(int height, int width);
    void layoutGrid(int height, int width);
    void scrollToCell(std::int32_t row, std::int32_t col);
    void placeEditBox(std::int32_t a, std::int32_t b, Position mode);
    void redrawBackground();
    void paintSurface(QPainter& painter) const;

    void commitEditBox();
    void loadEditBox();
    bool handleEditKey(const QKeyEvent& event);
    bool handleEditCommand(const QKeyEvent& event);
    void onSurfacePressed(QPointF position);
    void onSurfaceMoved(QPointF position);
    void moveCurrentTo(std::int32_t row, std::int32_t col, bool extend);
    void paintSelection(QPainter& painter) const;
    void onScrolled();

    grid::SlotLayout slotLayout() const;
    grid::GridColours colours() const;
    QColor unlockedHeaderColour() const;
    std::optional<std::string_view> storedText(std::int32_t row, std::int32_t col) const;

    QWidget* frame_;         // pbx2
    GridSurface* surface_;   // pbx1
    QScrollBar* hsb_;        // hsb1
    QScrollBar* vsb_;        // vsb1
    QWidget* corner_;        // fills the square between the two bars
    QLineEdit* editBox_;     // txt1

    int cellWidth_ = kDefaultCellWidth;
    int cellHeight_ = kDefaultCellHeight;
    std::int32_t rowTotal_ = 1;
    std::int32_t colTotal_ = 1;
    int visibleRows_ = 0;
    int visibleCols_ = 0;
    SparseArray cells_;
    std::int32_t textRow_ = 1;
    std::int32_t textCol_ = 1;
    bool headersEditable_ = false;
    bool inResize_ = false;

    int maxLength_ = 0;
    bool horizontalBarOn_ = false;
    bool verticalBarOn_ = false;
    QSize laidOutSize_;  // the size the last relayout wrote back
    QColor headerColour_;
    QPixmap background_;
    std::optional<grid::CellIndex> framedSlot_;
    std::optional<grid::CellIndex> anchor_;  // the fixed corner of a selected block
    bool dragging_ = false;
};

}  // namespace kelpo
