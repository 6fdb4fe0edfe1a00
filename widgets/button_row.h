// The row of buttons at the foot of a window or tab: right-aligned, in the given order.
#pragma once

#include <initializer_list>

class QHBoxLayout;
class QWidget;

namespace kelpo {

// A new layout (for the caller's layout to take) with a stretch and then the buttons.
QHBoxLayout* buttonRow(std::initializer_list<QWidget*> buttons);

}  // namespace kelpo
