// The matrix grid control: state, editing, navigation, layout and scrolling.
#include "grid/grid.h"

#include "core/numbers.h"
#include "grid/grid_surface.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

namespace kelpo {

using grid::CellIndex;
using grid::cellSlot;
using grid::kSlotAfterView;
using grid::kSlotBeforeView;
using grid::slotIndex;

namespace {

constexpr int kBar = Grid::kScrollBarThickness;
constexpr std::int32_t kDefaultTotal = 1;
constexpr std::int32_t kFallbackTotal = 11;  // stands in for a total of 0, which has no layout
// A line edit cuts at 32767 characters by default, and committing would write the cut
// text back; cells can be longer (a matrix file may hold any text).
constexpr int kUnlimitedLength = std::numeric_limits<int>::max();
constexpr int kEditBoxInset = 7;             // the edit box is this much smaller than its slot
constexpr int kTextPixelSize = 11;           // fits a text line into a 20-pixel cell

void setBarOn(QScrollBar* bar, bool& flag, bool on) {
    flag = on;
    bar->setEnabled(on);
    bar->setVisible(on);
}

// A bag value read as a number, halves to even; the fallback when it is none.
int bagNumber(const QVariantMap& bag, const char* name, int fallback) {
    bool ok = false;
    const double value = bag.value(QString::fromLatin1(name)).toDouble(&ok);
    return ok ? grid::roundHalfEven(value) : fallback;
}

std::optional<grid::Move> moveForKey(int key) {
    switch (key) {
    case Qt::Key_Right:
        return grid::Move::Right;
    case Qt::Key_Left:
        return grid::Move::Left;
    case Qt::Key_Up:
        return grid::Move::Up;
    case Qt::Key_Down:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return grid::Move::Down;
    default:
        return std::nullopt;
    }
}

}  // namespace

Grid::Grid(QWidget* parent)
    : QWidget(parent),
      frame_(new QWidget(this)),
      surface_(new GridSurface(frame_)),
      hsb_(new QScrollBar(Qt::Horizontal, this)),
      vsb_(new QScrollBar(Qt::Vertical, this)),
      corner_(new QWidget(this)),
      editBox_(new QLineEdit(surface_)) {
    frame_->setObjectName(QStringLiteral("pbx2"));
    surface_->setObjectName(QStringLiteral("pbx1"));
    hsb_->setObjectName(QStringLiteral("hsb1"));
    vsb_->setObjectName(QStringLiteral("vsb1"));
    editBox_->setObjectName(QStringLiteral("txt1"));
    corner_->setAutoFillBackground(true);
    corner_->hide();

    QFont cellFont = font();
    cellFont.setPixelSize(kTextPixelSize);
    setFont(cellFont);

    editBox_->setFrame(false);
    editBox_->setTextMargins(0, 0, 0, 0);
    editBox_->setMaxLength(kUnlimitedLength);
    editBox_->installEventFilter(this);
    setFocusProxy(editBox_);

    headerColour_ = palette().color(QPalette::Button);
    setBarOn(hsb_, horizontalBarOn_, false);
    setBarOn(vsb_, verticalBarOn_, false);

    surface_->setPainter([this](QPainter& painter) { paintSurface(painter); });
    connect(surface_, &GridSurface::pressed, this, &Grid::onSurfacePressed);
    connect(surface_, &GridSurface::moved, this, [this](QPointF at) {
        emit MouseMove(at.x(), at.y());
        onSurfaceMoved(at);
    });
    connect(hsb_, &QScrollBar::valueChanged, this, &Grid::onScrolled);
    connect(vsb_, &QScrollBar::valueChanged, this, &Grid::onScrolled);

    loadEditBox();
    relayout();
}

// ---- persisted properties -------------------------------------------------

QVariantMap Grid::WriteProperties() const {
    QVariantMap bag;
    const auto putNumber = [&bag](const char* name, int value, int fallback) {
        if (value != fallback) {
            bag.insert(QString::fromLatin1(name), QString::number(value));
        }
    };
    putNumber("CellHeight", cellHeight_, kDefaultCellHeight);
    putNumber("CellWidth", cellWidth_, kDefaultCellWidth);
    putNumber("GridRows", rowTotal_, kDefaultTotal);
    putNumber("GridCols", colTotal_, kDefaultTotal);
    putNumber("MaxLength", maxLength_, 0);
    if (!GridToolTipText().isEmpty()) {
        bag.insert(QStringLiteral("GridToolTipText"), GridToolTipText());
    }
    return bag;
}

void Grid::ReadProperties(const QVariantMap& bag) {
    cellHeight_ = bagNumber(bag, "CellHeight", kDefaultCellHeight);
    cellWidth_ = bagNumber(bag, "CellWidth", kDefaultCellWidth);
    rowTotal_ = bagNumber(bag, "GridRows", kDefaultTotal);
    colTotal_ = bagNumber(bag, "GridCols", kDefaultTotal);
    setMaxLength(bagNumber(bag, "MaxLength", 0));
    setGridToolTipText(bag.value(QStringLiteral("GridToolTipText")).toString());
    relayout();
}

// ---- simple members -------------------------------------------------------

int Grid::PrintedHeight() const {
    return frame_->height() + (horizontalBarOn_ ? hsb_->height() - 1 : 0);
}

int Grid::PrintedWidth() const {
    return frame_->width() + (verticalBarOn_ ? vsb_->width() - 1 : 0);
}

QString Grid::GridToolTipText() const {
    return surface_->toolTip();
}

void Grid::setGridToolTipText(const QString& text) {
    if (text == surface_->toolTip()) {
        return;
    }
    surface_->setToolTip(text);
    // The main window changes the text as the pointer moves: a tip already
    // showing follows at once instead of waiting for the pointer to rest again.
    if (QToolTip::isVisible() && surface_->underMouse()) {
        if (text.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(QCursor::pos(), text, surface_);
        }
    }
}

void Grid::setMaxLength(int length) {
    maxLength_ = length;
    // Qt forgets the box's modified flag here; it decides whether the box is written back.
    const bool modified = editBox_->isModified();
    editBox_->setMaxLength(length > 0 ? length : kUnlimitedLength);
    editBox_->setModified(modified);
}

void Grid::setCellWidth(int width) {
    cellWidth_ = width;
    relayout();
}

void Grid::setCellHeight(int height) {
    cellHeight_ = height;
    relayout();
}

void Grid::setRows(std::int32_t rows) {
    setRowTotal(checkedAdd(rows, 1, "grid rows"));
}

void Grid::setCols(std::int32_t cols) {
    setColTotal(checkedAdd(cols, 1, "grid columns"));
}

void Grid::setRowTotal(std::int32_t total) {
    rowTotal_ = total;
    relayout();
}

void Grid::setColTotal(std::int32_t total) {
    colTotal_ = total;
    relayout();
}

int Grid::VerticalScroll() const {
    return vsb_->value();
}

int Grid::HorizontalScroll() const {
    return hsb_->value();
}

void Grid::setVerticalScroll(int value) {
    vsb_->setValue(value);
}

void Grid::setHorizontalScroll(int value) {
    hsb_->setValue(value);
}

bool Grid::EditBoxVisible() const {
    return editBox_->isVisibleTo(this);
}

QRect Grid::EditBoxGeometry() const {
    return editBox_->geometry();
}

QString Grid::EditBoxText() const {
    return editBox_->text();
}

// ---- the cell store -------------------------------------------------------

SparseArray Grid::GetMatrix() {
    commitEditBox();
    SparseArray copy;
    copy = cells_;
    return copy;
}

void Grid::SetMatrix(const SparseArray& cells, std::int32_t rowOffset, std::int32_t colOffset) {
    for (const SparseArray::Position& at : cells_.positions()) {
        if (at.row >= rowOffset && at.col >= colOffset) {
            cells_.setValue(at.row, at.col, "0");
        }
    }
    cells.forEach([&](const SparseArray::Cell& cell) {
        cells_.setValue(checkedAdd(cell.row, rowOffset, "grid row"), checkedAdd(cell.col, colOffset, "grid column"),
                        cell.text);
    });
    editBox_->setText(QString::fromStdString(cells_.value(textRow_, textCol_)));
    PrintMatrix(textRow_, textCol_);
    EditHeaders(headersEditable_);
}

void Grid::SetText(std::string_view text, std::int32_t row, std::int32_t col) {
    cells_.setValue(row, col, text);
}

std::string Grid::GetText(std::int32_t row, std::int32_t col) const {
    return cells_.value(row, col);
}

void Grid::ResizeMatrix(std::int32_t rows, std::int32_t cols) {
    commitEditBox();
    rowTotal_ = checkedAdd(rows, 1, "grid rows");
    colTotal_ = checkedAdd(cols, 1, "grid columns");
    SparseArray kept;
    cells_.forEach([&](const SparseArray::Cell& cell) {
        if (cell.row <= rows && cell.col <= cols) {
            kept.setValue(cell.row, cell.col, cell.text);
        }
    });
    relayout();
    SetMatrix(kept, 0, 0);
}

// ---- editing ----------------------------------------------------------------

// Only what the user changed is written back: a cell merely passed over keeps its
// exact bytes, whatever the box could or could not show of them.
void Grid::commitEditBox() {
    if (!editBox_->isModified()) return;
    const QString before = QString::fromStdString(cells_.value(textRow_, textCol_));
    cells_.setValue(textRow_, textCol_, editBox_->text().toStdString());
    editBox_->setModified(false);
    if (before != editBox_->text()) emit CellEdited(textRow_, textCol_, before, editBox_->text());
}

void Grid::loadEditBox() {
    editBox_->setText(QString::fromStdString(cells_.value(textRow_, textCol_)));
    editBox_->selectAll();
}

void Grid::EditHeaders(bool editable) {
    commitEditBox();
    headersEditable_ = editable;
    if (editable) {
        headerColour_ = unlockedHeaderColour();
    } else {
        headerColour_ = palette().color(QPalette::Button);
        textRow_ = textRow_ == 0 ? 1 : textRow_;  // the current cell leaves the headers
        textCol_ = textCol_ == 0 ? 1 : textCol_;
    }
    redrawBackground();
    PrintMatrix(textRow_, textCol_);
    placeEditBox(textRow_, textCol_, Position::Cell);
    loadEditBox();
    if (EditBoxVisible()) {
        editBox_->setFocus();
    }
}

void Grid::HideSelection() {
    commitEditBox();
    editBox_->hide();
    PrintMatrix(textRow_, textCol_, Position::Cell, true);
}

bool Grid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editBox_ && event->type() == QEvent::KeyPress) {
        const auto& key = *static_cast<QKeyEvent*>(event);
        return handleEditCommand(key) || handleEditKey(key);
    }
    return QWidget::eventFilter(watched, event);
}

bool Grid::handleEditKey(const QKeyEvent& event) {
    const std::optional<grid::Move> move = moveForKey(event.key());
    if (!move) {
        return false;  // typed into the box
    }
    // Shift with an arrow stretches the block; any other move leaves it.
    const bool extend = (event.modifiers() & Qt::ShiftModifier) && event.key() != Qt::Key_Return &&
                        event.key() != Qt::Key_Enter;
    const std::optional<CellIndex> target =
        grid::movedCell({textRow_, textCol_}, *move, Rows(), Cols(), headersEditable_);
    if (target) {
        moveCurrentTo(target->row, target->col, extend);
        scrollToCell(target->row, target->col);
        placeEditBox(target->row, target->col, Position::Cell);
        PrintMatrix(target->row, target->col);
        loadEditBox();
        editBox_->setFocus();
    }
    return true;  // navigation keys never reach the box, so the caret stays and Enter inserts nothing
}

void Grid::onSurfacePressed(QPointF position) {
    const int h = headersEditable_ ? 1 : 0;
    const int slotRow = static_cast<int>(std::floor(position.y() / cellHeight_));
    const int slotCol = static_cast<int>(std::floor(position.x() / cellWidth_));
    if (slotRow <= -h || slotCol <= -h) {
        QApplication::beep();
        return;
    }
    if (slotRow >= visibleRows_ || slotCol >= visibleCols_) {
        return;  // a sliver past the last whole slot shows no cell
    }
    moveCurrentTo(slotIndex(slotRow, vsb_->value()), slotIndex(slotCol, hsb_->value()),
                  QGuiApplication::keyboardModifiers() & Qt::ShiftModifier);
    dragging_ = true;
    PrintMatrix(slotRow, slotCol, Position::Slot);
    placeEditBox(slotRow, slotCol, Position::Slot);
    loadEditBox();
    editBox_->show();
    editBox_->setFocus();
}

// ---- scrolling ----------------------------------------------------------------

void Grid::onScrolled() {
    PrintMatrix(textRow_, textCol_);
    placeEditBox(textRow_, textCol_, Position::Cell);
}

void Grid::wheelEvent(QWheelEvent* event) {
    // The wheel scrolls the rows as it does in any list; the surface passes it up.
    QScrollBar* bar = verticalBarOn_ ? vsb_ : horizontalBarOn_ ? hsb_ : nullptr;
    if (bar) {
        QCoreApplication::sendEvent(bar, event);
    } else {
        event->ignore();
    }
}

void Grid::scrollToCell(std::int32_t row, std::int32_t col) {
    // Keyboard moves reach a cell before the view one step at a time; the jumps
    // after the view and back to the start catch wrap-around. The order matters.
    if (cellSlot(row, vsb_->value(), visibleRows_) == kSlotBeforeView) {
        vsb_->setValue(vsb_->value() - 1);
    }
    if (cellSlot(col, hsb_->value(), visibleCols_) == kSlotBeforeView) {
        hsb_->setValue(hsb_->value() - 1);
    }
    if (cellSlot(row, vsb_->value(), visibleRows_) == kSlotAfterView) {
        vsb_->setValue(row - visibleRows_ + 1);
    }
    if (cellSlot(col, hsb_->value(), visibleCols_) == kSlotAfterView) {
        hsb_->setValue(col - visibleCols_ + 1);
    }
    if (row < 2) {
        vsb_->setValue(0);
    }
    if (col < 2) {
        hsb_->setValue(0);
    }
}

void Grid::placeEditBox(std::int32_t a, std::int32_t b, Position mode) {
    int rowSlot = a;
    int colSlot = b;
    if (mode == Position::Cell) {
        rowSlot = cellSlot(a, vsb_->value(), visibleRows_);
        if (rowSlot == kSlotBeforeView) {
            editBox_->hide();
            return;
        }
        colSlot = cellSlot(b, hsb_->value(), visibleCols_);
        if (colSlot == kSlotBeforeView) {
            editBox_->hide();
            return;
        }
        // A slot after the view is used as it is: the box lands off the surface.
    }
    editBox_->show();
    editBox_->move(colSlot * cellWidth_ + (cellWidth_ - editBox_->width()) / 2,
                   rowSlot * cellHeight_ + (cellHeight_ - editBox_->height()) / 2);
    if (mode == Position::Cell) {
        textRow_ = a;
        textCol_ = b;
    } else {
        textRow_ = slotIndex(a, vsb_->value());
        textCol_ = slotIndex(b, hsb_->value());
    }
}

// ---- layout -------------------------------------------------------------------

void Grid::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Our own snapped size coming back (at once, or at the first show) needs no second layout.
    if (inResize_ || event->size() == laidOutSize_) {
        return;
    }
    relayout();
}

void Grid::relayout() {
    if (inResize_) {
        return;
    }
    commitEditBox();  // the current cell is about to become (1, 1)
    const int availableHeight = height();
    const int availableWidth = width();
    chooseScrollBars(availableHeight, availableWidth);

    // Snapping only ever cuts a partial cell, so it never makes room for a row a bar
    // was chosen for: the bars stay as chosen.
    inResize_ = true;
    const int snappedHeight = grid::snapToCells(availableHeight, cellHeight_, kBar, horizontalBarOn_);
    const int snappedWidth = grid::snapToCells(availableWidth, cellWidth_, kBar, verticalBarOn_);
    resize(std::max(snappedWidth, 0), std::max(snappedHeight, 0));
    laidOutSize_ = size();
    inResize_ = false;

    layoutGrid(height(), width());
}

void Grid::chooseScrollBars(int height, int width) {
    if (cellHeight_ == 0) {
        cellHeight_ = kDefaultCellHeight;
    }
    if (cellWidth_ == 0) {
        cellWidth_ = kDefaultCellWidth;
    }
    if (rowTotal_ == 0) {
        rowTotal_ = kFallbackTotal;
    }
    if (colTotal_ == 0) {
        colTotal_ = kFallbackTotal;
    }
    const grid::ScrollBarChoice bars =
        grid::chooseScrollBars(height, width, rowTotal_, colTotal_, cellHeight_, cellWidth_, kBar);
    setBarOn(hsb_, horizontalBarOn_, bars.horizontal);
    setBarOn(vsb_, verticalBarOn_, bars.vertical);
}

void Grid::layoutGrid(int height, int width) {
    const int frameHeight = std::max(height - (horizontalBarOn_ ? kBar : 0), 0);
    const int frameWidth = std::max(width - (verticalBarOn_ ? kBar : 0), 0);
    const grid::AxisLayout rows = grid::layoutAxis(frameHeight, cellHeight_, rowTotal_);
    const grid::AxisLayout cols = grid::layoutAxis(frameWidth, cellWidth_, colTotal_);
    visibleRows_ = rows.visible;
    visibleCols_ = cols.visible;

    frame_->setGeometry(0, 0, cols.surfaceLength, rows.surfaceLength);
    surface_->setGeometry(0, 0, cols.surfaceLength, rows.surfaceLength);
    hsb_->setGeometry(0, rows.surfaceLength, cols.surfaceLength, kBar);
    vsb_->setGeometry(cols.surfaceLength, 0, kBar, rows.surfaceLength);

    hsb_->setRange(0, horizontalBarOn_ ? colTotal_ - visibleCols_ : 0);
    vsb_->setRange(0, verticalBarOn_ ? rowTotal_ - visibleRows_ : 0);
    hsb_->setPageStep(std::max(visibleCols_ - 1, 1));
    vsb_->setPageStep(std::max(visibleRows_ - 1, 1));

    // The corner between two bars belongs to the grid: covered, so nothing behind shows through.
    corner_->setGeometry(cols.surfaceLength, rows.surfaceLength, kBar, kBar);
    corner_->setVisible(horizontalBarOn_ && verticalBarOn_);

    editBox_->resize(cellWidth_ - kEditBoxInset, cellHeight_ - kEditBoxInset);
    textRow_ = 1;
    textCol_ = 1;
    redrawBackground();
    loadEditBox();
    // The new current cell must be in view, or its edit box would be hidden.
    scrollToCell(textRow_, textCol_);
    placeEditBox(textRow_, textCol_, Position::Cell);
    PrintMatrix(textRow_, textCol_);
}

// ---- drawing ------------------------------------------------------------------

void Grid::PrintMatrix(std::int32_t row, std::int32_t col, Position mode, bool noFrame) {
    CellIndex slot{row, col};
    if (mode == Position::Cell) {
        slot = {cellSlot(row, vsb_->value(), visibleRows_), cellSlot(col, hsb_->value(), visibleCols_)};
    }
    if (noFrame || slot.row < 0 || slot.col < 0) {
        framedSlot_.reset();
    } else {
        framedSlot_ = slot;
    }
    surface_->update();
}

void Grid::redrawBackground() {
    background_ = grid::drawBackground(surface_->size(), devicePixelRatioF(), slotLayout(), colours(), headerColour_,
                                       headersEditable_);
    surface_->update();
}

void Grid::paintSurface(QPainter& painter) const {
    if (background_.isNull()) {
        painter.fillRect(surface_->rect(), colours().background);
    } else {
        painter.drawPixmap(0, 0, background_);
    }
    const int rowScroll = vsb_->value();
    const int colScroll = hsb_->value();
    grid::drawSlots(painter, slotLayout(), colours(), headersEditable_, [&](int slotRow, int slotCol) {
        return storedText(slotIndex(slotRow, rowScroll), slotIndex(slotCol, colScroll));
    });
    paintSelection(painter);
    if (framedSlot_) {
        grid::drawCurrentCellFrame(painter, slotLayout(), colours(), *framedSlot_, headersEditable_);
    }
}

grid::SlotLayout Grid::slotLayout() const {
    return {cellWidth_, cellHeight_, visibleRows_, visibleCols_};
}

grid::GridColours Grid::colours() const {
    return {QColor(Qt::white), palette().color(QPalette::Button), QColor(Qt::black)};
}

QColor Grid::unlockedHeaderColour() const {
    return QColor(Qt::white);  // the colour bytes of the unlocked header value, read plainly
}

std::optional<std::string_view> Grid::storedText(std::int32_t row, std::int32_t col) const {
    return cells_.find(row, col);
}

}  // namespace kelpo
