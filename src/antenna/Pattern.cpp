#include "antenna/Pattern.h"
