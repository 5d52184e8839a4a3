#include "sim/SimExcel.h"
