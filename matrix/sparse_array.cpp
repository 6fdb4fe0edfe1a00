#include "matrix/sparse_array.h"
