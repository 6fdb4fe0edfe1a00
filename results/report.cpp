#include "results/report.h"
